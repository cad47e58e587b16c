#include "model/Position.h"

#include "platform/DateTime.h"

namespace ordersrv {

Position::Position() : UpdateTime(plat::NowDateTime()) {}

}  // namespace ordersrv
