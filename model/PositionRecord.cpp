#include "model/PositionRecord.h"

#include "platform/DateTime.h"

TNTOrderServerPosition::TNTOrderServerPosition() : UpdateTime(plat::NowDateTime()) {}
