#include "server/EventConnectionPoint.h"

#include <new>

#include "server/EventHub.h"
#include "server/Quillmere.h"

namespace ordersrv {

namespace {

// Lists the object's one connection point; holds a reference to it while it lives.
class OnePointEnumerator final : public IEnumConnectionPoints {
public:
    explicit OnePointEnumerator(IConnectionPoint& point, ULONG position = 0)
        : point_(point), position_(position) {
        point_.AddRef();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IEnumConnectionPoints)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            point_.Release();
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG wanted, IConnectionPoint** points, ULONG* fetched) override {
        if (!points || (wanted != 1 && !fetched)) return E_POINTER;
        ULONG given = 0;
        if (wanted > 0 && position_ == 0) {
            points[0] = &point_;
            point_.AddRef();
            given = 1;
            position_ = 1;
        }
        if (fetched) *fetched = given;
        return given == wanted ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const bool all = position_ + count <= 1;
        position_ = position_ + count > 1 ? 1 : position_ + count;
        return all ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** copy) override {
        if (!copy) return E_POINTER;
        *copy = new (std::nothrow) OnePointEnumerator(point_, position_);
        return *copy ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~OnePointEnumerator() = default;
    IConnectionPoint& point_;
    ULONG position_;
    volatile LONG references_ = 1;
};

}  // namespace

EventConnectionPoint::~EventConnectionPoint() { Close(); }

void EventConnectionPoint::Close() { hub_.UnsubscribeAll(this); }

HRESULT EventConnectionPoint::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IConnectionPoint)) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

HRESULT EventConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = DIID_IOrderServerEvents;
    return S_OK;
}

HRESULT EventConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    *container = &container_;
    container_.AddRef();
    return S_OK;
}

// A sink answers IOrderServerEvents or at least IDispatch (script hosts' sinks do only that).
HRESULT EventConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    IDispatch* dispatch = nullptr;
    if (FAILED(sink->QueryInterface(DIID_IOrderServerEvents, reinterpret_cast<void**>(&dispatch))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
        return CONNECT_E_CANNOTCONNECT;
    *cookie = hub_.Subscribe(dispatch, this);
    dispatch->Release();  // the hub holds its own reference
    return *cookie ? S_OK : CONNECT_E_ADVISELIMIT;
}

HRESULT EventConnectionPoint::Unadvise(DWORD cookie) {
    return hub_.Unsubscribe(cookie, this) ? S_OK : CONNECT_E_NOCONNECTION;
}

HRESULT EventConnectionPoint::EnumConnections(IEnumConnections** connections) {
    if (connections) *connections = nullptr;
    return E_NOTIMPL;
}

// Both identities a host may hold: the object, and this point (its own COM identity).
void EventConnectionPoint::DisconnectClients() {
    CoDisconnectObject(static_cast<IConnectionPoint*>(this), 0);
    CoDisconnectObject(&identity_, 0);
}

HRESULT EventConnectionPoint::EnumerateAsOnlyPoint(IEnumConnectionPoints** points) {
    if (!points) return E_POINTER;
    *points = new (std::nothrow) OnePointEnumerator(*this);
    return *points ? S_OK : E_OUTOFMEMORY;
}

}  // namespace ordersrv
