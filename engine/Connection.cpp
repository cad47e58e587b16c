#include "engine/Connection.h"

#include "platform/DateTime.h"

namespace ordersrv {

void Connection::NoteHostContact() { lastHostContact_ = plat::NowDateTime(); }

}  // namespace ordersrv
