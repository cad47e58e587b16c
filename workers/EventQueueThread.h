#pragma once
// Posts window messages for any thread, at once or after a delay, retrying failed posts.
#include <atomic>
#include <cstdint>
#include <list>
#include <thread>

#include "platform/MessageTarget.h"
#include "platform/ReentrantLock.h"
#include "workers/AbstractBuffer.h"

class TasEventObject : public TasAbstractBufferObject {
public:
    plat::MessageTarget* Target = nullptr;
    uint32_t Msg = 0;
    uint32_t WParam = 0;
    uint32_t LParam = 0;
    int32_t RetryMode = 0;
    uint32_t DelayMs = 0;
    uint32_t PostedTick = 0;
    int32_t Attempts = 0;
    uint32_t FirstAttemptTick = 0;  // 0 = no attempt yet in the current round
};

class TasEventQueueBuffer : public TasAbstractBuffer {
public:
    static constexpr int32_t kDefaultCapacity = 5000;
    explicit TasEventQueueBuffer(int32_t capacity = kDefaultCapacity);

protected:
    TasAbstractBufferObject* CreateItem() override;
};

class TasEventQueueThread {
public:
    explicit TasEventQueueThread(TasEventQueueBuffer& pool);
    ~TasEventQueueThread();  // stops the thread, then ClearEvents
    TasEventQueueThread(const TasEventQueueThread&) = delete;
    TasEventQueueThread& operator=(const TasEventQueueThread&) = delete;

    void Start();
    void Stop();  // asks the run to end and waits for it

    // Callable from any thread; never waits beyond the queue's lock.
    void PostEvent(plat::MessageTarget* target, uint32_t msg, uint32_t wParam, uint32_t lParam,
                   int32_t retryMode, uint32_t delayMs);
    void ClearEvents();

    // One delivery step at tick `now`, under the queue's lock; true when the thread may idle.
    bool DeliveryStep(uint32_t now);
    size_t QueuedCount() const;

private:
    void Run();

    TasEventQueueBuffer& pool_;
    mutable plat::ReentrantLock lock_;
    std::list<TasEventObject*> queue_;
    std::atomic<bool> terminate_{false};
    std::thread thread_;
};
