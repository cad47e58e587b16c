#pragma once
// The hosts' event subscriptions. Each sink given to an object's connection point (Advise)
// hears of every order, position and connection change through IOrderServerEvents, in the
// order the changes happened, on a delivery thread of its own: a slow, hung or vanished host
// holds back no order, no other sink and not the end of the process. A sink whose call fails,
// or does not return within kHungCallMs, is dropped with one log line.
#include <windows.h>
#include <oaidl.h>

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine/ChangeListener.h"

namespace ordersrv {

class Engine;

// The side of a subscription that lives in an object: when its host's process has gone, the
// hub cuts the object off from that host, as COM's own clean-up of a vanished client would, so
// the dead host's references keep neither the object nor the process.
class SubscriptionOwner {
public:
    // A reference to the object, or null when it is already on its way out. Hub lock held.
    virtual IUnknown* KeepAlive() = 0;
    // Releases every reference a client holds on the object and its connection point.
    virtual void DisconnectClients() = 0;

protected:
    ~SubscriptionOwner() = default;
};

class EventHub final : public ChangeListener {
public:
    static constexpr DWORD kHungCallMs = 5000;

    EventHub() = default;
    ~EventHub();  // Detach
    EventHub(const EventHub&) = delete;
    EventHub& operator=(const EventHub&) = delete;

    // The engine reports its changes here, and the hub's log lines and subscriber count go to
    // it. Detach (before the engine goes) ends every delivery; a hung one is left behind.
    void Attach(Engine& engine);
    void Detach();

    // A sink for the connection point `owner`; its cookie, or 0 when the hub is detached.
    DWORD Subscribe(IDispatch* sink, SubscriptionOwner* owner);
    bool Unsubscribe(DWORD cookie, const SubscriptionOwner* owner);  // false: not owner's
    void UnsubscribeAll(const SubscriptionOwner* owner);
    size_t Count() const;

    // ChangeListener: queued for every sink, never waited for.
    void OrderChanged(int32_t orderRefId, int32_t status, int32_t fillSize,
                      double fillPrice) override;
    void PositionChanged(const std::string& symbol, int32_t posSize, double posCost) override;
    void ConnectedChanged(bool connected) override;

    struct Event;
    struct Channel;

private:
    void Publish(const Event& event);
    void WatchChannels();  // the watchdog thread: drops failed and hung sinks
    void Remove(std::map<DWORD, std::shared_ptr<Channel>>::iterator at, const std::string& why);
    void CountChanged();  // lock held

    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::map<DWORD, std::shared_ptr<Channel>> channels_;
    DWORD nextCookie_ = 1;
    Engine* engine_ = nullptr;
    std::thread watchdog_;
};

}  // namespace ordersrv
