#pragma once
#include <cstdint>

namespace plat {

// The error a post reports when its window no longer exists (ERROR_INVALID_WINDOW_HANDLE).
constexpr uint32_t kErrorInvalidWindowHandle = 1400;

// Something window messages are posted to: on Windows a window, natively an in-process queue.
// A target may exist without a handle (a window object not yet or no longer created).
class MessageTarget {
public:
    virtual ~MessageTarget() = default;

    virtual bool HasHandle() const = 0;

    // Posts asynchronously. Returns 0 when the message was queued, otherwise the platform's
    // error code; kErrorInvalidWindowHandle means the target is gone for good.
    virtual uint32_t Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) = 0;
};

}  // namespace plat
