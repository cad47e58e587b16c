#pragma once
// The hosts' event subscriptions and the few threads that call them.
//
// Every change is kept once, in the order it happened, and each subscription reads through the
// changes at its own pace, one call at a time: a sink hears every change made after it
// subscribed, in order. A small set of delivery threads serves every sink, taking the sinks that
// have something to hear in turn, one change each, so that a change reaches the last of many
// sinks soon after the first. A sink is timed only by its own call, never by how long it waited
// for a thread: a call that has not returned after hungCallMs drops its sink, and its thread is
// given up (it ends when the call returns, if ever) and replaced. While calls run long and other
// sinks wait, the watchdog adds threads up to a bound, so a slow or hung host holds back no other
// sink, and Publish never waits for any of them.
//
// Locks, in the order they may be taken: reportLock (held while a drop is reported, so that no
// report comes after Stop), then lock. No lock is held while a sink is called or let go.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "engine/HostEvent.h"

namespace ordersrv {

// A host's sink as delivery sees it. Let go (destroyed) with no lock held: on a delivery
// thread, or on the thread that unsubscribed it.
class EventSink {
public:
    virtual ~EventSink() = default;
    // Tells the host of one change, on a delivery thread; false, with why, when the call failed.
    virtual bool Deliver(const HostEvent& event, std::string& failure) = 0;
};

class EventDelivery {
public:
    struct Limits {
        size_t threads = 4;        // delivery threads kept
        size_t maxThreads = 8;     // while calls run long and sinks wait
        size_t maxThreadsLeft = 20;  // given up in hung calls: beyond this none is replaced
        uint32_t hungCallMs = 5000;  // a call this long drops its sink
        uint32_t longCallMs = 50;    // a call this long may bring in another thread
        uint32_t spareIdleMs = 5000;  // a thread beyond `threads` ends after this long idle
        size_t maxBehind = 100000;   // a sink this many changes behind is dropped
        uint32_t unsubscribeWaitMs = 250;  // for a call on its way to the sink unsubscribed
    };
    // Runs a delivery thread's whole life (on Windows inside a COM apartment).
    using ThreadRunner = std::function<void(const std::function<void()>& body)>;
    // A subscription the delivery ended itself (failed, hung, too far behind), with why.
    using DropReport = std::function<void(uint32_t cookie, const std::string& why)>;

    explicit EventDelivery(Limits limits);
    EventDelivery() : EventDelivery(Limits{}) {}
    ~EventDelivery();  // Stop
    EventDelivery(const EventDelivery&) = delete;
    EventDelivery& operator=(const EventDelivery&) = delete;

    void Start(DropReport dropped, ThreadRunner runner = nullptr);
    // Ends every subscription and the threads; waits a little for sinks to be let go, never for
    // a hung call. No report comes after it returns.
    void Stop();

    // A cookie (never 0) for the sink, which hears the changes published from now on; 0 when
    // not started.
    uint32_t Subscribe(std::unique_ptr<EventSink> sink);
    // Ends a subscription without a report, once a call on its way to the sink has returned:
    // a host may let its sink go, or subscribe it again, as soon as Unadvise returns. It waits
    // at most unsubscribeWaitMs, so a sink that unsubscribes from inside its own call (which
    // cannot return before this does) is held back no longer than that; such a call keeps the
    // sink until it returns. The sink, for the caller to let go once it holds no lock; null when
    // the cookie is not known.
    std::shared_ptr<EventSink> Unsubscribe(uint32_t cookie);

    // Queues the change for every subscription; never waits for a sink. Any thread.
    void Publish(const HostEvent& event);

    size_t Count() const;    // subscriptions
    size_t Threads() const;  // delivery threads alive, given-up ones included (not the watchdog)

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;  // also held by every delivery thread
    std::unique_ptr<std::thread> watchdog_;
};

}  // namespace ordersrv
