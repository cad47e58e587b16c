#include "model/Position.h"

#include "platform/DateTime.h"

namespace ordersrv {

Position::Position() : updateTime(plat::NowDateTime()) {}

}  // namespace ordersrv
