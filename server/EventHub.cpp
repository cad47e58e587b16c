#include "server/EventHub.h"

#include <memory>
#include <utility>
#include <vector>

#include "engine/Engine.h"
#include "engine/WindowMessages.h"
#include "server/DispatchSink.h"

namespace ordersrv {

EventHub::~EventHub() { Detach(); }

void EventHub::Attach(Engine& engine) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        engine_ = &engine;
    }
    delivery_.Start([this](uint32_t cookie, const std::string& why) { Dropped(cookie, why); },
                    RunInComApartment);
    hosts_.Start([this](DWORD processId) { HostEnded(processId); });
    engine.SetChangeListener(this);
}

void EventHub::Detach() {
    Engine* engine = nullptr;
    {
        std::lock_guard<std::mutex> hold(lock_);
        engine = engine_;
    }
    if (!engine) return;
    engine->SetChangeListener(nullptr);
    delivery_.Stop();  // no drop is reported after these
    hosts_.Stop();
    std::lock_guard<std::mutex> hold(lock_);
    subscriptions_.clear();
    ownerHosts_.clear();
    engine_ = nullptr;
}

DWORD EventHub::Subscribe(IDispatch* sink, SubscriptionOwner* owner) {
    if (!sink) return 0;
    const DWORD host = CallingProcessId();
    std::lock_guard<std::mutex> hold(lock_);
    if (!engine_) return 0;
    const uint32_t cookie = delivery_.Subscribe(std::make_unique<DispatchSink>(sink));
    if (cookie == 0) return 0;
    const bool watched = host != 0 && hosts_.Add(host);
    subscriptions_[cookie] = {owner, watched ? host : 0};
    if (watched) ownerHosts_[owner].insert(host);
    CountChanged();
    return cookie;
}

bool EventHub::Unsubscribe(DWORD cookie, const SubscriptionOwner* owner) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        const auto at = subscriptions_.find(cookie);
        if (at == subscriptions_.end() || at->second.owner != owner) return false;
        subscriptions_.erase(at);
        CountChanged();
    }
    EndDeliveries({cookie});
    return true;
}

// With no lock of ours held: each may wait a moment for a call on its way to its sink, and each
// sink is let go here.
void EventHub::EndDeliveries(const std::vector<DWORD>& cookies) {
    for (DWORD cookie : cookies) delivery_.Unsubscribe(cookie);
}

void EventHub::UnsubscribeAll(SubscriptionOwner* owner) {
    std::vector<DWORD> ended;
    std::unique_lock<std::mutex> hold(lock_);
    for (auto at = subscriptions_.begin(); at != subscriptions_.end();) {
        if (at->second.owner == owner) {
            ended.push_back(at->first);
            at = subscriptions_.erase(at);
        } else {
            ++at;
        }
    }
    const auto hosts = ownerHosts_.find(owner);
    if (hosts != ownerHosts_.end()) {
        const std::set<DWORD> processes = std::move(hosts->second);
        ownerHosts_.erase(hosts);
        for (DWORD process : processes) {
            bool stillHeld = false;
            for (const auto& entry : ownerHosts_)
                stillHeld = stillHeld || entry.second.count(process) > 0;
            if (!stillHeld) hosts_.Remove(process);
        }
    }
    CountChanged();
    hold.unlock();
    EndDeliveries(ended);
}

size_t EventHub::Count() const {
    std::lock_guard<std::mutex> hold(lock_);
    return subscriptions_.size();
}

void EventHub::OrderChanged(int32_t orderRefId, int32_t status, int32_t fillSize,
                            double fillPrice) {
    delivery_.Publish(HostEvent::OrderStatus(orderRefId, status, fillSize, fillPrice));
}

void EventHub::PositionChanged(const std::string& symbol, int32_t posSize, double posCost) {
    delivery_.Publish(HostEvent::Position(symbol, posSize, posCost));
}

void EventHub::ConnectedChanged(bool connected) {
    delivery_.Publish(HostEvent::Connected(connected));
}

void EventHub::Dropped(uint32_t cookie, const std::string& why) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!subscriptions_.erase(cookie)) return;
        CountChanged();
    }
    Log("Event subscriber " + std::to_string(cookie) + " dropped: " + why);
}

// The host's sinks go, and each object it subscribed through that no other living host
// subscribed through is cut off, held by a reference of ours meanwhile.
void EventHub::HostEnded(DWORD processId) {
    std::vector<DWORD> dropped;
    std::vector<std::pair<SubscriptionOwner*, IUnknown*>> cutOff;
    {
        std::lock_guard<std::mutex> hold(lock_);
        for (auto at = subscriptions_.begin(); at != subscriptions_.end();) {
            if (at->second.host == processId) {
                dropped.push_back(at->first);
                at = subscriptions_.erase(at);
            } else {
                ++at;
            }
        }
        for (auto at = ownerHosts_.begin(); at != ownerHosts_.end();) {
            at->second.erase(processId);
            if (!at->second.empty()) {
                ++at;
                continue;
            }
            if (IUnknown* object = at->first->KeepAlive()) cutOff.emplace_back(at->first, object);
            at = ownerHosts_.erase(at);
        }
        CountChanged();
    }
    for (DWORD cookie : dropped)
        Log("Event subscriber " + std::to_string(cookie) + " dropped: its host's process ended");
    if (!cutOff.empty())
        Log("Host process " + std::to_string(processId) + " ended: the objects it held (" +
            std::to_string(cutOff.size()) + ") were let go");
    EndDeliveries(dropped);
    for (const auto& [owner, object] : cutOff) {
        owner->DisconnectClients();
        object->Release();  // the object goes, unless another client holds it
    }
}

void EventHub::CountChanged() {
    if (!engine_) return;
    engine_->connection.SetEventSubscribers(subscriptions_.size());
    engine_->Announce(WindowMessage::StatusChanged);
}

void EventHub::Log(const std::string& line) {
    Engine* engine = nullptr;
    {
        std::lock_guard<std::mutex> hold(lock_);
        engine = engine_;
    }
    if (engine) engine->log.Add(line);
}

}  // namespace ordersrv
