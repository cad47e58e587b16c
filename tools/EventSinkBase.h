#pragma once
// The part every host's event sink shares: an IDispatch that COM's references do not own (the
// sink lives as long as its owner says) and that answers only Invoke, which the derived sink
// writes. Used by the host stand-in, the benchmarks and the tests.
#include <windows.h>
#include <oaidl.h>

class EventSinkBase : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch) &&
            !IsEqualIID(iid, events_)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IDispatch*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }

protected:
    // `events`: the event interface's IID the sink also answers to (IID_NULL: IDispatch only).
    explicit EventSinkBase(REFIID events = IID_NULL) : events_(events) {}
    ~EventSinkBase() = default;

private:
    IID events_;
};
