#pragma once
// The connection point of one OrderServer object for IOrderServerEvents: a host gives it a sink
// (Advise) and takes it back (Unadvise); the event hub delivers. Part of its object: its
// references are the object's, so a host holding only the connection point keeps the object.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <functional>
#include <utility>

#include "server/EventHub.h"

namespace ordersrv {

class EventConnectionPoint final : public IConnectionPoint, public SubscriptionOwner {
public:
    // `keepAlive` adds a reference to the object unless it is already on its way out.
    EventConnectionPoint(IConnectionPointContainer& container, IUnknown& identity, EventHub& hub,
                         std::function<IUnknown*()> keepAlive)
        : container_(container), identity_(identity), hub_(hub), keepAlive_(std::move(keepAlive)) {}
    ~EventConnectionPoint();  // Close
    // The object goes: its sinks are unsubscribed and the hub forgets it.
    void Close();
    EventConnectionPoint(const EventConnectionPoint&) = delete;
    EventConnectionPoint& operator=(const EventConnectionPoint&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return container_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return container_.Release(); }

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

    // The container's IEnumConnectionPoints: this one point.
    HRESULT EnumerateAsOnlyPoint(IEnumConnectionPoints** points);

    // SubscriptionOwner
    IUnknown* KeepAlive() override { return keepAlive_(); }
    void DisconnectClients() override;

private:
    IConnectionPointContainer& container_;
    IUnknown& identity_;  // the object's controlling unknown
    EventHub& hub_;
    std::function<IUnknown*()> keepAlive_;
};

}  // namespace ordersrv
