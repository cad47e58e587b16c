#pragma once
// Owns one reference to a COM interface.
#include <objbase.h>

#include <utility>

namespace ordersrv {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(T* adopted) : p_(adopted) {}
    ComPtr(const ComPtr& o) : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    void Reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For functions that hand out a new reference; drops the one held before.
    T** Out() {
        Reset();
        return &p_;
    }
    // A new reference for the caller.
    T* AddRefed() const {
        if (p_) p_->AddRef();
        return p_;
    }

private:
    T* p_ = nullptr;
};

}  // namespace ordersrv
