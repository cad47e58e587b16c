#pragma once
#include <cstdint>

struct Order;

namespace ActionKind {
constexpr int32_t Cancel = 0, Place = 1;
}

// One place or cancel request waiting for the drain.
struct PendingAction {
    int32_t Kind = ActionKind::Cancel;
    int32_t OrderRefId = -1;
    Order* order = nullptr;  // the place action's record; owned by the order book
};
