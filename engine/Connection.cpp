#include "engine/Connection.h"

#include "platform/DateTime.h"

void Connection::NoteHostContact() { lastHostContact_ = plat::NowDateTime(); }
