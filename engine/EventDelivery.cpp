#include "engine/EventDelivery.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <list>
#include <map>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/Tick.h"

namespace ordersrv {

namespace {

constexpr std::chrono::milliseconds kWatchTick{50};   // the watchdog's look while calls run
constexpr std::chrono::milliseconds kStopWait{1000};  // for idle threads to let their sinks go

using Sinks = std::vector<std::shared_ptr<EventSink>>;

// One change and how many subscriptions have yet to hear it.
struct Change {
    HostEvent event;
    size_t unheard;
};

struct Subscription {
    uint32_t cookie = 0;
    std::shared_ptr<EventSink> sink;  // moved out when the subscription ends
    uint64_t next = 0;     // the number of the change it hears next
    bool waiting = false;  // in the ready queue
    bool inCall = false;
    bool ended = false;
};

struct DeliveryThread {
    std::shared_ptr<Subscription> calling;  // null between calls
    HostEvent::Kind kind = HostEvent::Kind::OrderStatus;
    uint32_t callStarted = 0;
    bool givenUp = false;  // its call hung: it ends when the call returns
    bool spareEnded = false;  // a thread beyond the kept ones, idle long enough: it ends
};

using ThreadEntry = std::list<DeliveryThread>::iterator;

std::string Duration(uint32_t ms) {
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

}  // namespace

struct EventDelivery::Shared {
    explicit Shared(Limits l) : limits(l) {}

    const Limits limits;
    ThreadRunner runner;  // set before the first thread starts

    std::mutex reportLock;
    DropReport dropped;  // under reportLock

    std::mutex lock;  // guards everything below
    std::condition_variable work;         // delivery threads: work, sinks to let go, the end
    std::condition_variable watch;        // the watchdog
    std::condition_variable threadEnded;  // Stop
    std::condition_variable callEnded;    // Unsubscribe, waiting for a call on its way
    std::deque<Change> changes;
    uint64_t firstChange = 0;  // the number of changes.front()
    std::map<uint32_t, std::shared_ptr<Subscription>> subscriptions;
    std::deque<std::shared_ptr<Subscription>> ready;  // a change to hear and no call in progress
    Sinks toLetGo;  // let go by a delivery thread: the watchdog and Stop never call a host
    std::list<DeliveryThread> threads;
    size_t serving = 0;  // threads not given up
    size_t givenUp = 0;
    size_t idle = 0;
    size_t inCalls = 0;
    uint32_t nextCookie = 1;
    bool running = false;
    bool stopping = false;
    bool watchdogAsleep = false;

    uint64_t EndOfChanges() const { return firstChange + changes.size(); }
    Change& ChangeNumbered(uint64_t number) { return changes[number - firstChange]; }

    void ForgetHeardChanges() {
        while (!changes.empty() && changes.front().unheard == 0) {
            changes.pop_front();
            ++firstChange;
        }
    }

    // The subscription hears nothing more; its sink is handed back for letting go outside the
    // lock (a call in progress holds a copy of its own).
    std::shared_ptr<EventSink> End(const std::shared_ptr<Subscription>& subscription) {
        subscription->ended = true;
        for (uint64_t n = subscription->next; n < EndOfChanges(); ++n) --ChangeNumbered(n).unheard;
        ForgetHeardChanges();
        subscriptions.erase(subscription->cookie);
        return std::move(subscription->sink);
    }

    void MarkReady(const std::shared_ptr<Subscription>& subscription) {
        if (subscription->waiting || subscription->inCall || subscription->ended ||
            subscription->next >= EndOfChanges())
            return;
        subscription->waiting = true;
        ready.push_back(subscription);
    }

    // Counted and listed now; started by StartThread once the lock is released.
    ThreadEntry AddThread() {
        ++serving;
        return threads.emplace(threads.end());
    }

    size_t ServingInCall() const {
        size_t count = 0;
        for (const DeliveryThread& thread : threads)
            if (thread.calling && !thread.givenUp) ++count;
        return count;
    }
};

namespace {

using Shared = EventDelivery::Shared;

// With no lock held.
void Report(Shared& shared, uint32_t cookie, const std::string& why) {
    std::lock_guard<std::mutex> hold(shared.reportLock);
    if (shared.dropped) shared.dropped(cookie, why);
}

// Calls one sink with the next change it has to hear.
void CallOnce(Shared& s, std::unique_lock<std::mutex>& hold, DeliveryThread& me,
              std::shared_ptr<Subscription> subscription) {
    const HostEvent event = s.ChangeNumbered(subscription->next).event;
    std::shared_ptr<EventSink> sink = subscription->sink;
    subscription->inCall = true;
    me.calling = subscription;
    me.kind = event.kind;
    me.callStarted = plat::TickCount();
    ++s.inCalls;
    if (s.watchdogAsleep) s.watch.notify_one();
    hold.unlock();

    std::string failure;
    const bool delivered = sink->Deliver(event, failure);
    // This thread's hold on the sink ends with the call, so that an Unsubscribe waiting for the
    // call lets the sink go itself.
    sink.reset();

    hold.lock();
    --s.inCalls;
    me.calling.reset();
    subscription->inCall = false;
    if (subscription->ended) s.callEnded.notify_all();
    std::string dropped;
    std::shared_ptr<EventSink> ended;
    if (subscription->ended) {
        // Unsubscribed, given up as hung or stopped meanwhile: whoever holds the sink last (this
        // thread above, or the one that ended it) has let it go.
    } else if (!delivered) {
        ended = s.End(subscription);
        dropped = std::string(HostEventName(event.kind)) + " failed (" + failure + ")";
    } else {
        --s.ChangeNumbered(subscription->next).unheard;
        ++subscription->next;
        s.ForgetHeardChanges();
        s.MarkReady(subscription);  // behind the others: one change each in turn
        return;
    }
    hold.unlock();
    if (!dropped.empty()) Report(s, subscription->cookie, dropped);
    ended.reset();
    hold.lock();
}

// A thread beyond the kept ones ends after a quiet while: false then, and it no longer counts
// as serving. Whether it is beyond them is asked again when its while is up, so that of several
// idle threads only the spare ones end.
bool WaitForWork(Shared& s, std::unique_lock<std::mutex>& hold, DeliveryThread& me) {
    const auto due = [&s] { return s.stopping || !s.ready.empty() || !s.toLetGo.empty(); };
    ++s.idle;
    for (;;) {
        if (s.serving <= s.limits.threads) {
            s.work.wait(hold, due);
            break;
        }
        if (s.work.wait_for(hold, std::chrono::milliseconds(s.limits.spareIdleMs), due)) break;
        if (s.serving > s.limits.threads) {
            --s.serving;
            me.spareEnded = true;
            --s.idle;
            return false;
        }
    }
    --s.idle;
    return true;
}

void ServeCalls(Shared& s, DeliveryThread& me) {
    std::unique_lock<std::mutex> hold(s.lock);
    for (;;) {
        if (!s.toLetGo.empty()) {
            Sinks sinks;
            sinks.swap(s.toLetGo);
            hold.unlock();
            sinks.clear();
            hold.lock();
            continue;
        }
        if (s.stopping || me.givenUp) return;
        if (s.ready.empty()) {
            if (!WaitForWork(s, hold, me)) return;
            continue;
        }
        std::shared_ptr<Subscription> subscription = std::move(s.ready.front());
        s.ready.pop_front();
        subscription->waiting = false;
        if (!subscription->ended) CallOnce(s, hold, me, std::move(subscription));
    }
}

void Serve(const std::shared_ptr<Shared>& shared, ThreadEntry me) {
    Shared& s = *shared;
    const auto body = [&s, me] { ServeCalls(s, *me); };
    if (s.runner)
        s.runner(body);
    else
        body();
    std::lock_guard<std::mutex> hold(s.lock);
    if (me->givenUp)
        --s.givenUp;
    else if (!me->spareEnded)
        --s.serving;
    s.threads.erase(me);
    s.threadEnded.notify_all();
    if (s.serving < s.limits.threads && s.watchdogAsleep) s.watch.notify_one();  // to replace it
}

void StartThread(const std::shared_ptr<Shared>& shared, ThreadEntry entry) {
    try {
        std::thread(Serve, shared, entry).detach();
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> hold(shared->lock);
        --shared->serving;
        shared->threads.erase(entry);
    }
}

// Lock held. Calls that have not returned in time drop their sinks and give up their threads;
// sinks too far behind are dropped. Returns the drops to report.
std::vector<std::pair<uint32_t, std::string>> DropHungAndFarBehind(Shared& s, size_t& longCalls) {
    std::vector<std::pair<uint32_t, std::string>> drops;
    const uint32_t now = plat::TickCount();
    for (DeliveryThread& thread : s.threads) {
        if (!thread.calling || thread.givenUp) continue;
        const uint32_t took = now - thread.callStarted;
        if (took >= s.limits.hungCallMs) {
            if (!thread.calling->ended) {
                drops.emplace_back(thread.calling->cookie,
                                   std::string(HostEventName(thread.kind)) +
                                       " did not return within " + Duration(s.limits.hungCallMs));
                s.toLetGo.push_back(s.End(thread.calling));
            }
            thread.givenUp = true;
            --s.serving;
            ++s.givenUp;
        } else if (took >= s.limits.longCallMs) {
            ++longCalls;
        }
    }
    if (s.changes.size() > s.limits.maxBehind) {
        const uint64_t end = s.EndOfChanges();
        std::vector<std::shared_ptr<Subscription>> behind;
        for (const auto& entry : s.subscriptions)
            if (end - entry.second->next > s.limits.maxBehind) behind.push_back(entry.second);
        for (const auto& subscription : behind) {
            drops.emplace_back(subscription->cookie,
                               "fell " + std::to_string(end - subscription->next) +
                                   " changes behind");
            s.toLetGo.push_back(s.End(subscription));
        }
    }
    return drops;
}

// Lock held. Given-up threads are replaced, and one more comes while calls run long and sinks
// wait, within the bounds.
size_t ThreadsWanted(const Shared& s, size_t longCalls) {
    if (s.givenUp >= s.limits.maxThreadsLeft) return 0;
    if (s.serving < s.limits.threads) return s.limits.threads - s.serving;
    if (longCalls > 0 && !s.ready.empty() && s.idle == 0 && s.serving < s.limits.maxThreads)
        return 1;
    return 0;
}

void Watch(const std::shared_ptr<Shared>& shared) {
    Shared& s = *shared;
    std::unique_lock<std::mutex> hold(s.lock);
    while (!s.stopping) {
        const bool quiet = s.inCalls == 0 && s.changes.size() <= s.limits.maxBehind &&
                           (s.serving >= s.limits.threads || s.givenUp >= s.limits.maxThreadsLeft);
        if (quiet) {
            s.watchdogAsleep = true;
            s.watch.wait(hold);
            s.watchdogAsleep = false;
            continue;
        }
        s.watch.wait_for(hold, kWatchTick);
        if (s.stopping) break;
        size_t longCalls = 0;
        const auto drops = DropHungAndFarBehind(s, longCalls);
        std::vector<ThreadEntry> added;
        for (size_t wanted = ThreadsWanted(s, longCalls); wanted > 0; --wanted)
            added.push_back(s.AddThread());
        if (!s.toLetGo.empty()) s.work.notify_one();
        hold.unlock();
        for (ThreadEntry entry : added) StartThread(shared, entry);
        for (const auto& [cookie, why] : drops) Report(s, cookie, why);
        hold.lock();
    }
}

}  // namespace

EventDelivery::EventDelivery(Limits limits) : shared_(std::make_shared<Shared>(limits)) {}

EventDelivery::~EventDelivery() { Stop(); }

void EventDelivery::Start(DropReport dropped, ThreadRunner runner) {
    Shared& s = *shared_;
    {
        std::lock_guard<std::mutex> hold(s.reportLock);
        s.dropped = std::move(dropped);
    }
    std::vector<ThreadEntry> added;
    {
        std::lock_guard<std::mutex> hold(s.lock);
        if (s.running || s.stopping) return;
        s.running = true;
        s.runner = std::move(runner);
        for (size_t i = 0; i < s.limits.threads; ++i) added.push_back(s.AddThread());
    }
    for (ThreadEntry entry : added) StartThread(shared_, entry);
    watchdog_ = std::make_unique<std::thread>(Watch, shared_);
}

void EventDelivery::Stop() {
    Shared& s = *shared_;
    {
        std::lock_guard<std::mutex> hold(s.lock);
        if (!s.running) return;
        s.running = false;
        s.stopping = true;
        for (auto& entry : s.subscriptions) {
            entry.second->ended = true;
            if (entry.second->sink) s.toLetGo.push_back(std::move(entry.second->sink));
        }
        s.subscriptions.clear();
        s.ready.clear();
        s.changes.clear();
        s.work.notify_all();
        s.watch.notify_all();
    }
    {
        std::lock_guard<std::mutex> hold(s.reportLock);
        s.dropped = nullptr;
    }
    if (watchdog_) {
        watchdog_->join();
        watchdog_.reset();
    }
    // Idle threads let the sinks go and end; a call in progress is not waited for.
    Sinks leftOver;
    {
        std::unique_lock<std::mutex> hold(s.lock);
        s.threadEnded.wait_for(hold, kStopWait, [&s] {
            return s.toLetGo.empty() && s.serving == s.ServingInCall();
        });
        if (s.serving == 0) leftOver.swap(s.toLetGo);  // no thread left to do it
    }
}

uint32_t EventDelivery::Subscribe(std::unique_ptr<EventSink> sink) {
    if (!sink) return 0;
    auto subscription = std::make_shared<Subscription>();
    subscription->sink = std::move(sink);
    Shared& s = *shared_;
    std::lock_guard<std::mutex> hold(s.lock);
    if (!s.running) {
        s.toLetGo.push_back(std::move(subscription->sink));
        return 0;
    }
    while (s.nextCookie == 0 || s.subscriptions.count(s.nextCookie)) ++s.nextCookie;
    subscription->cookie = s.nextCookie++;
    subscription->next = s.EndOfChanges();
    s.subscriptions.emplace(subscription->cookie, subscription);
    return subscription->cookie;
}

std::shared_ptr<EventSink> EventDelivery::Unsubscribe(uint32_t cookie) {
    Shared& s = *shared_;
    std::unique_lock<std::mutex> hold(s.lock);
    const auto at = s.subscriptions.find(cookie);
    if (at == s.subscriptions.end()) return nullptr;
    const std::shared_ptr<Subscription> subscription = at->second;
    std::shared_ptr<EventSink> sink = s.End(subscription);
    s.callEnded.wait_for(hold, std::chrono::milliseconds(s.limits.unsubscribeWaitMs),
                         [&subscription] { return !subscription->inCall; });
    return sink;
}

void EventDelivery::Publish(const HostEvent& event) {
    Shared& s = *shared_;
    std::lock_guard<std::mutex> hold(s.lock);
    if (!s.running || s.subscriptions.empty()) return;
    s.changes.push_back({event, s.subscriptions.size()});
    const size_t before = s.ready.size();
    for (const auto& entry : s.subscriptions) s.MarkReady(entry.second);
    const size_t added = s.ready.size() - before;
    if (added > 0 && s.idle > 0) {
        if (added == 1)
            s.work.notify_one();
        else
            s.work.notify_all();
    }
    if (s.changes.size() > s.limits.maxBehind && s.watchdogAsleep) s.watch.notify_one();
}

size_t EventDelivery::Count() const {
    std::lock_guard<std::mutex> hold(shared_->lock);
    return shared_->subscriptions.size();
}

size_t EventDelivery::Threads() const {
    std::lock_guard<std::mutex> hold(shared_->lock);
    return shared_->threads.size();
}

}  // namespace ordersrv
