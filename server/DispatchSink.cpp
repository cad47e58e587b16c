#include "server/DispatchSink.h"

#include "platform/Scoped.h"
#include "platform/win32/WideText.h"
#include "server/ComError.h"

namespace ordersrv {

namespace {

// The event's arguments, last first, as DISPPARAMS wants them; the symbol is owned here.
class EventArguments {
public:
    explicit EventArguments(const HostEvent& event) {
        switch (event.kind) {
        case HostEvent::Kind::OrderStatus:
            Add(VT_R8).dblVal = event.price;
            Add(VT_I4).lVal = event.fillSize;
            Add(VT_I4).lVal = event.status;
            Add(VT_I4).lVal = event.orderRefId;
            break;
        case HostEvent::Kind::Position: {
            const std::wstring symbol = plat::WideText(event.symbol);
            symbol_ = SysAllocStringLen(symbol.data(), static_cast<UINT>(symbol.size()));
            Add(VT_R8).dblVal = event.price;
            Add(VT_I4).lVal = event.posSize;
            Add(VT_BSTR).bstrVal = symbol_;
            break;
        }
        case HostEvent::Kind::Connected:
            Add(VT_BOOL).boolVal = event.connected ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        }
    }
    ~EventArguments() { SysFreeString(symbol_); }
    EventArguments(const EventArguments&) = delete;
    EventArguments& operator=(const EventArguments&) = delete;

    bool Complete(const HostEvent& event) const {
        return event.kind != HostEvent::Kind::Position || symbol_ != nullptr;
    }
    DISPPARAMS Params() { return DISPPARAMS{args_, nullptr, count_, 0}; }

private:
    VARIANT& Add(VARTYPE type) {
        VARIANT& arg = args_[count_++];
        V_VT(&arg) = type;
        return arg;
    }

    VARIANT args_[4];
    UINT count_ = 0;
    BSTR symbol_ = nullptr;
};

}  // namespace

DispatchSink::DispatchSink(IDispatch* sink) : sink_(sink) { sink->AddRef(); }

bool DispatchSink::Deliver(const HostEvent& event, std::string& failure) {
    EventArguments args(event);
    if (!args.Complete(event)) {
        failure = HResultText(E_OUTOFMEMORY);
        return false;
    }
    DISPPARAMS params = args.Params();
    EXCEPINFO exception{};
    UINT argumentError = 0;
    const HRESULT hr = sink_->Invoke(static_cast<DISPID>(event.kind), IID_NULL,
                                     LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                                     &exception, &argumentError);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    // A host that handles only some of the events answers the others so; it stays subscribed.
    if (SUCCEEDED(hr) || hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_UNKNOWNNAME) return true;
    failure = HResultText(hr);
    return false;
}

void RunInComApartment(const std::function<void()>& body) {
    const plat::ComApartment apartment(plat::ComApartment::MultiThreaded);
    body();
}

}  // namespace ordersrv
