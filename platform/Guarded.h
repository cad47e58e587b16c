#pragma once
// A value and the one lock that guards it: the value is reached only through With(), under the
// lock, so no caller can forget it and none takes a second lock around it.
#include <utility>

#include "platform/ReentrantLock.h"

namespace plat {

template <class T>
class Guarded {
public:
    template <class... Args>
    explicit Guarded(Args&&... args) : value_(std::forward<Args>(args)...) {}
    Guarded(const Guarded&) = delete;
    Guarded& operator=(const Guarded&) = delete;

    // Calls use(value) with the lock held and returns what it returns.
    template <class Use>
    auto With(Use&& use) {
        LockGuard hold(lock_);
        return use(value_);
    }
    template <class Use>
    auto With(Use&& use) const {
        LockGuard hold(lock_);
        return use(static_cast<const T&>(value_));
    }

private:
    mutable ReentrantLock lock_;
    T value_;
};

}  // namespace plat
