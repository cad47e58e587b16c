#pragma once
// The hosts' event subscriptions as COM sees them. Each sink given to an object's connection
// point (Advise) hears every order, position and connection change through IOrderServerEvents,
// in the order the changes happened, by the delivery's few threads (engine/EventDelivery.h): a
// slow, hung or vanished host holds back no order, no other sink and not the end of the
// process. A sink whose call fails or hangs is dropped with one log line, and that is all: its
// host may be alive and go on calling. The process of the host behind each subscription is
// watched instead: when it ends, killed or not, its sinks are dropped and every object it
// subscribed through is cut off from its clients, as COM's own clean-up of a vanished client
// would do (under Wine it never comes), so the dead host's references keep neither the objects
// nor the process.
//
// Locks, in the order they may be taken: the delivery's report lock, the hub's lock, the
// delivery's lock, the host watch's lock. No lock is held while a host is called, a sink let go
// or an object cut off. Attach and Detach are called with none held.
#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "engine/ChangeListener.h"
#include "engine/EventDelivery.h"
#include "server/HostProcessWatch.h"

namespace ordersrv {

class Engine;

// The side of a subscription that lives in an object: when every host that subscribed through it
// has ended, the hub cuts the object off from its clients.
class SubscriptionOwner {
public:
    // A reference to the object, or null when it is already on its way out. Takes no lock:
    // called with the hub's or the lifetime's held.
    virtual IUnknown* KeepAlive() = 0;
    // Releases every reference a client holds on the object and its connection point.
    virtual void DisconnectClients() = 0;

protected:
    ~SubscriptionOwner() = default;
};

class EventHub final : public ChangeListener {
public:
    EventHub() = default;
    ~EventHub();  // Detach
    EventHub(const EventHub&) = delete;
    EventHub& operator=(const EventHub&) = delete;

    // The engine reports its changes here, and the hub's log lines and subscriber count go to
    // it. Detach (before the engine goes) ends every delivery; a hung one is left behind.
    void Attach(Engine& engine);
    void Detach();

    // On the host's call: a sink for the connection point `owner`, and the host's process to
    // watch; its cookie, or 0 when the hub is detached.
    DWORD Subscribe(IDispatch* sink, SubscriptionOwner* owner);
    bool Unsubscribe(DWORD cookie, const SubscriptionOwner* owner);  // false: not owner's
    void UnsubscribeAll(SubscriptionOwner* owner);  // the object goes
    size_t Count() const;

    // ChangeListener: queued for every sink, never waited for.
    void OrderChanged(int32_t orderRefId, int32_t status, int32_t fillSize,
                      double fillPrice) override;
    void PositionChanged(const std::string& symbol, int32_t posSize, double posCost) override;
    void ConnectedChanged(bool connected) override;

private:
    struct Subscription {
        const SubscriptionOwner* owner;
        DWORD host;  // its process, 0 when not known
    };

    void Dropped(uint32_t cookie, const std::string& why);  // by the delivery
    void HostEnded(DWORD processId);                         // by the host watch
    void EndDeliveries(const std::vector<DWORD>& cookies);
    void CountChanged();  // lock held
    void Log(const std::string& line);

    mutable std::mutex lock_;
    std::map<DWORD, Subscription> subscriptions_;
    // Each object a host subscribed through, with the watched processes of those hosts.
    std::map<SubscriptionOwner*, std::set<DWORD>> ownerHosts_;
    Engine* engine_ = nullptr;
    EventDelivery delivery_;
    HostProcessWatch hosts_;
};

}  // namespace ordersrv
