#pragma once
// One place or cancel request waiting for the drain.
#include <cstdint>

namespace ordersrv {

struct Order;

struct PendingAction {
    enum class Kind { Cancel, Place };
    Kind kind = Kind::Cancel;
    int32_t orderRefId = -1;
    Order* order = nullptr;  // a place action's record; owned by the order book
    int32_t position = -1;   // its place in the order book (and its journal number)
};

}  // namespace ordersrv
