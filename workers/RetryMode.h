#pragma once
// What the event queue does with an event whose post failed (for a reason other than its window
// being gone, which always drops it).
#include <cstdint>

namespace ordersrv {

enum class RetryMode : int32_t {
    // Dropped at the first failure. A scheduler job with this mode posts directly instead of
    // through the event queue.
    Drop = 0,
    DropAfterAttempt = 1,  // dropped at the first failure too, once the attempt is counted
    SixAttempts = 2,       // tried again at the head of the queue; dropped at the sixth failure
    OneSecond = 3,         // tried again at the head; dropped once failures outlast a second
    // Tried again at the head; after a second of failures it moves to the tail so the events
    // behind it get their turn, and starts another second there. Never dropped: what the drain
    // of the action queue is posted with, since a lost drain request would strand orders.
    UntilPosted = 4,
    Endless = 5,  // tried again at the head without limit (any value above 4 behaves so)
};

}  // namespace ordersrv
