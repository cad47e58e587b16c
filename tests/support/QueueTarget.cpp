#include "tests/support/QueueTarget.h"

#include "platform/Tick.h"

namespace ordersrv {

namespace testsupport {

uint32_t QueueTarget::Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    ++attempts_;
    if (onEachPost_)
        if (const uint32_t error = onEachPost_(msg)) return error;
    if (const uint32_t error = failError_) return error;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        queue_.push_back(QueuedMessage{msg, wParam, lParam, plat::TickCount()});
    }
    posted_.notify_all();
    return 0;
}

std::vector<QueuedMessage> QueueTarget::TakeAll() {
    std::lock_guard<std::mutex> hold(mutex_);
    std::vector<QueuedMessage> all(queue_.begin(), queue_.end());
    queue_.clear();
    return all;
}

size_t QueueTarget::Pump(const std::function<void(const QueuedMessage&)>& handler) {
    size_t handled = 0;
    for (;;) {
        QueuedMessage next;
        {
            std::lock_guard<std::mutex> hold(mutex_);
            if (queue_.empty()) return handled;
            next = queue_.front();
            queue_.pop_front();
        }
        handler(next);
        ++handled;
    }
}

bool QueueTarget::WaitForMessage(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> hold(mutex_);
    return posted_.wait_for(hold, timeout, [this] { return !queue_.empty(); });
}

size_t QueueTarget::Count() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return queue_.size();
}

}  // namespace testsupport

}  // namespace ordersrv
