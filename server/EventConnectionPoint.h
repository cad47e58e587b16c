#pragma once
// The connection point of one OrderServer object for IOrderServerEvents: a host gives it a sink
// (Advise) and takes it back (Unadvise); the event hub delivers. Part of its object: its
// references are the object's, so a host holding only the connection point keeps the object.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

namespace ordersrv {

class EventHub;

class EventConnectionPoint final : public IConnectionPoint {
public:
    EventConnectionPoint(IConnectionPointContainer& container, EventHub& hub)
        : container_(container), hub_(hub) {}
    ~EventConnectionPoint();  // the object goes: its sinks are unsubscribed
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

private:
    IConnectionPointContainer& container_;
    EventHub& hub_;
};

}  // namespace ordersrv
