#pragma once
// Ownership in one place: a scope-exit helper, the COM apartment of a thread, and tiny owners of
// Win32 handles (kernel handles, find handles, registry keys, GDI objects, menus, icons), used
// everywhere instead of manual cleanup.
#include <utility>

#ifdef _WIN32
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#endif

namespace plat {

// Runs `exit` when the scope ends, however it ends.
template <class Exit>
class ScopeExit {
public:
    explicit ScopeExit(Exit exit) : exit_(std::move(exit)) {}
    ~ScopeExit() { exit_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Exit exit_;
};

// The COM apartment of the calling thread, entered for the scope. Elsewhere than on Windows it
// is nothing.
class ComApartment {
public:
    enum Kind { SingleThreaded, MultiThreaded };
#ifdef _WIN32
    explicit ComApartment(Kind kind)
        // S_FALSE (already entered) still has to be balanced by CoUninitialize.
        : entered_(SUCCEEDED(CoInitializeEx(nullptr, kind == SingleThreaded
                                                         ? COINIT_APARTMENTTHREADED
                                                         : COINIT_MULTITHREADED))) {}
    ~ComApartment() {
        if (entered_) CoUninitialize();
    }
#else
    explicit ComApartment(Kind) {}
#endif
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    bool Entered() const { return entered_; }

private:
    bool entered_ = false;
};

#ifdef _WIN32

// One owned value of a handle type, freed by Free when the owner goes or takes another.
template <class Handle, class Free, Handle kNone>
class Owned {
public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    ~Owned() { Reset(); }
    Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, kNone)) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, kNone);
        }
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != kNone; }
    // For functions that hand out a new handle; frees the one held before.
    Handle* Out() {
        Reset();
        return &handle_;
    }
    void Reset(Handle handle = kNone) {
        if (handle_ != kNone) Free{}(handle_);
        handle_ = handle;
    }
    Handle Release() { return std::exchange(handle_, kNone); }

private:
    Handle handle_ = kNone;
};

struct CloseKernelHandle {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
struct CloseFindHandle {
    void operator()(HANDLE h) const { FindClose(h); }
};
struct CloseChangeNotification {
    void operator()(HANDLE h) const { FindCloseChangeNotification(h); }
};
struct CloseRegistryKey {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DestroyMenuHandle {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
struct DestroyIconHandle {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};

// Files, processes, mutexes, events: "none" is null...
using KernelHandle = Owned<HANDLE, CloseKernelHandle, nullptr>;
// ...except where Windows answers INVALID_HANDLE_VALUE for none (CreateFile, FindFirstFile).
struct FileHandle : Owned<HANDLE, CloseKernelHandle, nullptr> {
    explicit FileHandle(HANDLE h) : Owned(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
};
struct FindHandle : Owned<HANDLE, CloseFindHandle, nullptr> {
    explicit FindHandle(HANDLE h) : Owned(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
};
struct ChangeNotificationHandle : Owned<HANDLE, CloseChangeNotification, nullptr> {
    ChangeNotificationHandle() = default;
    explicit ChangeNotificationHandle(HANDLE h) : Owned(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
};
using RegistryKey = Owned<HKEY, CloseRegistryKey, nullptr>;
using MenuHandle = Owned<HMENU, DestroyMenuHandle, nullptr>;
using IconHandle = Owned<HICON, DestroyIconHandle, nullptr>;
template <class Gdi>
using GdiObject = Owned<Gdi, DeleteGdiObject, nullptr>;

// A VARIANT cleared when it goes out of scope.
class ScopedVariant {
public:
    ScopedVariant() { VariantInit(&v); }
    // A wide string value.
    explicit ScopedVariant(const wchar_t* text) : ScopedVariant() {
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = SysAllocString(text);
    }
    ~ScopedVariant() { VariantClear(&v); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;

    VARIANT v;
};

// A BSTR freed when it goes out of scope.
class ScopedBstr {
public:
    ScopedBstr() = default;
    ~ScopedBstr() { SysFreeString(text_); }
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    BSTR Get() const { return text_; }
    BSTR* Out() {
        SysFreeString(text_);
        text_ = nullptr;
        return &text_;
    }

private:
    BSTR text_ = nullptr;
};

#endif  // _WIN32

}  // namespace plat
