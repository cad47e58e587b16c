#include "server/EventHub.h"

#include <deque>
#include <vector>

#include "engine/Engine.h"
#include "engine/WindowMessages.h"
#include "platform/Scoped.h"
#include "platform/win32/WideText.h"
#include "server/ComError.h"

namespace ordersrv {

// One change as IOrderServerEvents tells it.
struct EventHub::Event {
    enum class Kind { OrderStatus = 1, Position = 2, Connected = 3 };  // = the DISPIDs
    Kind kind = Kind::OrderStatus;
    int32_t orderRefId = 0, status = 0, fillSize = 0;
    double price = 0.0;  // FillPrice or PosCost
    std::wstring symbol;
    int32_t posSize = 0;
    bool connected = false;
};

// A sink with its queue of events and the state its delivery thread shares with the hub.
struct EventHub::Channel {
    Channel(IDispatch* s, SubscriptionOwner* o, DWORD c) : sink(s), owner(o), cookie(c) {
        sink->AddRef();
    }

    IDispatch* const sink;  // released by the delivery thread as it ends; never while hung
    SubscriptionOwner* const owner;  // valid while the channel is in the hub (its lock held)
    const DWORD cookie;

    std::mutex lock;
    std::condition_variable wake;
    std::deque<Event> queue;
    bool closed = false;      // no more deliveries: unsubscribed, dropped or detached
    HRESULT failure = S_OK;   // the call that ended the delivery
    Event::Kind callKind = Event::Kind::OrderStatus;  // the current or failed call's event
    bool inCall = false;
    DWORD callStarted = 0;    // GetTickCount when the current call began
};

namespace {

const char* EventName(EventHub::Event::Kind kind) {
    switch (kind) {
    case EventHub::Event::Kind::OrderStatus: return "OrderStatusChanged";
    case EventHub::Event::Kind::Position: return "PositionChanged";
    case EventHub::Event::Kind::Connected: return "ConnectedChanged";
    }
    return "?";
}

// The host's process has ended (or its apartment with it): it will never release what it held.
bool HostIsGone(HRESULT hr) {
    return hr == RPC_E_DISCONNECTED || hr == RPC_E_SERVER_DIED || hr == RPC_E_SERVER_DIED_DNE ||
           hr == CO_E_OBJNOTCONNECTED || hr == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) ||
           hr == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED);
}

HRESULT Call(IDispatch* sink, const EventHub::Event& event) {
    VARIANT args[4];  // last argument first, as DISPPARAMS wants them
    UINT count = 0;
    BSTR symbol = nullptr;
    const plat::ScopeExit freeSymbol([&symbol] { SysFreeString(symbol); });
    switch (event.kind) {
    case EventHub::Event::Kind::OrderStatus:
        V_VT(&args[0]) = VT_R8, V_R8(&args[0]) = event.price;
        V_VT(&args[1]) = VT_I4, V_I4(&args[1]) = event.fillSize;
        V_VT(&args[2]) = VT_I4, V_I4(&args[2]) = event.status;
        V_VT(&args[3]) = VT_I4, V_I4(&args[3]) = event.orderRefId;
        count = 4;
        break;
    case EventHub::Event::Kind::Position:
        symbol = SysAllocStringLen(event.symbol.data(), static_cast<UINT>(event.symbol.size()));
        if (!symbol) return E_OUTOFMEMORY;
        V_VT(&args[0]) = VT_R8, V_R8(&args[0]) = event.price;
        V_VT(&args[1]) = VT_I4, V_I4(&args[1]) = event.posSize;
        V_VT(&args[2]) = VT_BSTR, V_BSTR(&args[2]) = symbol;
        count = 3;
        break;
    case EventHub::Event::Kind::Connected:
        V_VT(&args[0]) = VT_BOOL, V_BOOL(&args[0]) = event.connected ? VARIANT_TRUE : VARIANT_FALSE;
        count = 1;
        break;
    }
    DISPPARAMS params{args, nullptr, count, 0};
    EXCEPINFO exception{};
    UINT argumentError = 0;
    const HRESULT hr = sink->Invoke(static_cast<DISPID>(event.kind), IID_NULL, LOCALE_USER_DEFAULT,
                                    DISPATCH_METHOD, &params, nullptr, &exception, &argumentError);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    // A host that handles only some of the events answers the others so; it stays subscribed.
    if (hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_UNKNOWNNAME) return S_OK;
    return hr;
}

// The delivery thread of one sink: its events in order, one call at a time.
void Deliver(std::shared_ptr<EventHub::Channel> channel) {
    const plat::ComApartment apartment(plat::ComApartment::MultiThreaded);
    for (;;) {
        EventHub::Event event;
        {
            std::unique_lock<std::mutex> hold(channel->lock);
            channel->wake.wait(hold, [&] { return channel->closed || !channel->queue.empty(); });
            if (channel->closed) break;
            event = std::move(channel->queue.front());
            channel->queue.pop_front();
            channel->inCall = true;
            channel->callKind = event.kind;
            channel->callStarted = GetTickCount();
        }
        const HRESULT hr = Call(channel->sink, event);
        std::lock_guard<std::mutex> hold(channel->lock);
        channel->inCall = false;
        if (FAILED(hr)) {
            channel->failure = hr;
            channel->closed = true;
            break;
        }
    }
    channel->sink->Release();
}

}  // namespace

EventHub::~EventHub() { Detach(); }

void EventHub::Attach(Engine& engine) {
    std::lock_guard<std::mutex> hold(lock_);
    engine_ = &engine;
    engine.SetChangeListener(this);
    watchdog_ = std::thread([this] { WatchChannels(); });
}

void EventHub::Detach() {
    std::thread watchdog;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!engine_) return;
        engine_->SetChangeListener(nullptr);
        engine_ = nullptr;
        for (auto& entry : channels_) {
            std::lock_guard<std::mutex> channelHold(entry.second->lock);
            entry.second->closed = true;
            entry.second->wake.notify_all();
        }
        channels_.clear();
        watchdog = std::move(watchdog_);
    }
    changed_.notify_all();
    if (watchdog.joinable()) watchdog.join();
}

DWORD EventHub::Subscribe(IDispatch* sink, SubscriptionOwner* owner) {
    std::lock_guard<std::mutex> hold(lock_);
    if (!engine_ || !sink) return 0;
    const DWORD cookie = nextCookie_++;
    auto channel = std::make_shared<Channel>(sink, owner, cookie);
    std::thread(Deliver, channel).detach();  // a hung host's call must not hold the end
    channels_.emplace(cookie, std::move(channel));
    CountChanged();
    changed_.notify_all();
    return cookie;
}

bool EventHub::Unsubscribe(DWORD cookie, const SubscriptionOwner* owner) {
    std::lock_guard<std::mutex> hold(lock_);
    const auto at = channels_.find(cookie);
    if (at == channels_.end() || at->second->owner != owner) return false;
    Remove(at, "");
    return true;
}

void EventHub::UnsubscribeAll(const SubscriptionOwner* owner) {
    std::lock_guard<std::mutex> hold(lock_);
    for (auto at = channels_.begin(); at != channels_.end();) {
        const auto next = std::next(at);
        if (at->second->owner == owner) Remove(at, "");
        at = next;
    }
}

size_t EventHub::Count() const {
    std::lock_guard<std::mutex> hold(lock_);
    return channels_.size();
}

void EventHub::OrderChanged(int32_t orderRefId, int32_t status, int32_t fillSize,
                            double fillPrice) {
    Event event;
    event.kind = Event::Kind::OrderStatus;
    event.orderRefId = orderRefId;
    event.status = status;
    event.fillSize = fillSize;
    event.price = fillPrice;
    Publish(event);
}

void EventHub::PositionChanged(const std::string& symbol, int32_t posSize, double posCost) {
    Event event;
    event.kind = Event::Kind::Position;
    event.symbol = plat::WideText(symbol);
    event.posSize = posSize;
    event.price = posCost;
    Publish(event);
}

void EventHub::ConnectedChanged(bool connected) {
    Event event;
    event.kind = Event::Kind::Connected;
    event.connected = connected;
    Publish(event);
}

void EventHub::Publish(const Event& event) {
    std::lock_guard<std::mutex> hold(lock_);
    for (auto& entry : channels_) {
        Channel& channel = *entry.second;
        std::lock_guard<std::mutex> channelHold(channel.lock);
        if (channel.closed) continue;
        channel.queue.push_back(event);
        channel.wake.notify_one();
    }
}

// Lock held. The delivery thread ends by itself once the channel is closed; a hung one when its
// call returns, if ever.
void EventHub::Remove(std::map<DWORD, std::shared_ptr<Channel>>::iterator at,
                      const std::string& why) {
    {
        std::lock_guard<std::mutex> channelHold(at->second->lock);
        at->second->closed = true;
        at->second->queue.clear();
        at->second->wake.notify_all();
    }
    if (!why.empty() && engine_)
        engine_->log.Add("Event subscriber " + std::to_string(at->first) + " dropped: " + why);
    channels_.erase(at);
    CountChanged();
}

void EventHub::CountChanged() {
    if (!engine_) return;
    engine_->connection.SetEventSubscribers(channels_.size());
    engine_->Announce(WindowMessage::StatusChanged);
}

// Looks at the deliveries four times a second while there are any: a failed call is dropped
// at once, a call that has not returned after kHungCallMs is given up.
void EventHub::WatchChannels() {
    std::unique_lock<std::mutex> hold(lock_);
    while (engine_) {
        // Objects whose host has gone, each held by a reference while it is cut off.
        std::vector<std::pair<SubscriptionOwner*, IUnknown*>> orphaned;
        if (channels_.empty())
            changed_.wait(hold);
        else
            changed_.wait_for(hold, std::chrono::milliseconds(250));
        const DWORD now = GetTickCount();
        for (auto at = channels_.begin(); at != channels_.end();) {
            const auto next = std::next(at);
            std::string why;
            {
                Channel& channel = *at->second;
                std::lock_guard<std::mutex> channelHold(channel.lock);
                if (FAILED(channel.failure)) {
                    why = std::string(EventName(channel.callKind)) + " failed (" +
                          HResultText(channel.failure) + ")";
                    if (HostIsGone(channel.failure))
                        if (IUnknown* object = channel.owner->KeepAlive())
                            orphaned.emplace_back(channel.owner, object);
                }
                else if (channel.inCall && now - channel.callStarted > kHungCallMs)
                    why = std::string(EventName(channel.callKind)) + " did not return within " +
                          std::to_string(kHungCallMs / 1000) + " s";
            }
            if (!why.empty()) Remove(at, why);
            at = next;
        }
        if (orphaned.empty()) continue;
        // Outside the lock: letting the object go unsubscribes it here.
        hold.unlock();
        for (const auto& [owner, object] : orphaned) {
            owner->DisconnectClients();
            object->Release();
        }
        hold.lock();
    }
}

}  // namespace ordersrv
