#include "model/Position.h"

#include "platform/DateTime.h"

Position::Position() : UpdateTime(plat::NowDateTime()) {}
