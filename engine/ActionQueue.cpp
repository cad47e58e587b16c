#include "engine/Engine.h"

bool Engine::QueueAction(const PendingAction& action) {
    plat::LockGuard hold(actionsLock_);
    actions_.push_back(std::make_unique<PendingAction>(action));
    return actions_.size() == 1;
}

bool Engine::HasQueuedActions() {
    plat::LockGuard hold(actionsLock_);
    return !actions_.empty();
}

std::unique_ptr<PendingAction> Engine::TakeNextAction(bool& moreRemain) {
    // Taking and testing under one holding of the lock: a request appended right after this
    // either sees an empty queue and posts a drain, or is taken by the drain that re-posts.
    plat::LockGuard hold(actionsLock_);
    std::unique_ptr<PendingAction> action;
    if (!actions_.empty()) {
        action = std::move(actions_.front());
        actions_.pop_front();
    }
    moreRemain = !actions_.empty();
    return action;
}
