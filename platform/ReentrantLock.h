#pragma once
// A lock the holding thread may take again, and its scoped guard.
#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

namespace plat {

class ReentrantLock {
public:
#ifdef _WIN32
    ReentrantLock() { InitializeCriticalSection(&cs_); }
    ~ReentrantLock() { DeleteCriticalSection(&cs_); }
    void Enter() { EnterCriticalSection(&cs_); }
    void Leave() { LeaveCriticalSection(&cs_); }
#else
    ReentrantLock() = default;
    void Enter() { m_.lock(); }
    void Leave() { m_.unlock(); }
#endif
    ReentrantLock(const ReentrantLock&) = delete;
    ReentrantLock& operator=(const ReentrantLock&) = delete;

    // BasicLockable, so std::unique_lock and std::lock_guard work too.
    void lock() { Enter(); }
    void unlock() { Leave(); }

private:
#ifdef _WIN32
    CRITICAL_SECTION cs_;
#else
    std::recursive_mutex m_;
#endif
};

class LockGuard {
public:
    explicit LockGuard(ReentrantLock& lock) : lock_(lock) { lock_.Enter(); }
    ~LockGuard() { lock_.Leave(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    ReentrantLock& lock_;
};

}  // namespace plat
