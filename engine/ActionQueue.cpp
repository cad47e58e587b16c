#include "engine/OrderServerEngine.h"

bool TOrderServerEngine::QueueAction(const TasActionQueueItem& action) {
    plat::LockGuard hold(actionsLock_);
    actions_.push_back(std::make_unique<TasActionQueueItem>(action));
    return actions_.size() == 1;
}

bool TOrderServerEngine::HasQueuedActions() {
    plat::LockGuard hold(actionsLock_);
    return !actions_.empty();
}

std::unique_ptr<TasActionQueueItem> TOrderServerEngine::TakeNextAction(bool& moreRemain) {
    // Taking and testing under one holding of the lock: a request appended right after this
    // either sees an empty queue and posts a drain, or is taken by the drain that re-posts.
    plat::LockGuard hold(actionsLock_);
    std::unique_ptr<TasActionQueueItem> action;
    if (!actions_.empty()) {
        action = std::move(actions_.front());
        actions_.pop_front();
    }
    moreRemain = !actions_.empty();
    return action;
}
