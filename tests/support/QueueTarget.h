#pragma once
// An in-process message queue standing in for a window's message queue: what the portable
// core and its tests post to. Tests pump it, and can make posts fail with a chosen error.
#include "platform/MessageTarget.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace ordersrv {

namespace testsupport {

struct QueuedMessage {
    uint32_t msg = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    uint32_t tick = 0;  // TickCount() when posted
};

class QueueTarget : public plat::MessageTarget {
public:
    bool HasHandle() const override { return hasHandle_; }
    uint32_t Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;

    // No handle: the target looks like a window object whose window does not exist.
    void SetHasHandle(bool value) { hasHandle_ = value; }
    // Every post fails with this error until it is set back to 0.
    void FailPostsWith(uint32_t error) { failError_ = error; }
    // Runs at the start of every post, on the posting thread: a test's way to act at the moment
    // the core reports something. A nonzero answer fails that post with that error; a throw
    // fails it by throwing. Set it while nothing posts.
    using PostHook = std::function<uint32_t(uint32_t msg)>;
    void OnEachPost(PostHook hook) { onEachPost_ = std::move(hook); }
    // Number of posts tried, failed ones included.
    uint32_t PostAttempts() const { return attempts_; }

    // Takes every queued message, oldest first.
    std::vector<QueuedMessage> TakeAll();
    // Hands each queued message to the handler, oldest first, including messages the handler
    // posts meanwhile; returns how many were handled.
    size_t Pump(const std::function<void(const QueuedMessage&)>& handler);
    // Waits until a message is queued or the timeout passes; true when one is queued.
    bool WaitForMessage(std::chrono::milliseconds timeout);
    size_t Count() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<QueuedMessage> queue_;
    PostHook onEachPost_;
    std::atomic<bool> hasHandle_{true};
    std::atomic<uint32_t> failError_{0};
    std::atomic<uint32_t> attempts_{0};
};

}  // namespace testsupport

}  // namespace ordersrv
