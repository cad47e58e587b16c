#pragma once
// OrderServerObject: the automation object of the coclass OrderServer. It holds no state of its own:
// every member passes the engine gate and forwards to the engine, turning booleans into
// automation booleans and every error into an error result with error information. Its
// connection point takes the host's event sinks.
#include <windows.h>
#include <ocidl.h>

#include "server/EngineGate.h"
#include "server/EventConnectionPoint.h"
#include "server/EventHub.h"
#include "server/Quillmere.h"
#include "server/ServerLifetime.h"
#include "server/ServerTypeInfo.h"

namespace ordersrv {

// What every object of the process shares; outlives all objects.
struct ObjectContext {
    const ServerTypeInfo& types;
    EngineGate& gate;
    ServerLifetime& lifetime;
    EventHub& events;
};

class OrderServerObject final : public IOrderServer,
                                public ISupportErrorInfo,
                                public IProvideClassInfo,
                                public IConnectionPointContainer {
public:
    // A new object, answered as `iid`. With an outer object only IID_IUnknown may be asked.
    static HRESULT Create(const ObjectContext& context, IUnknown* outer, REFIID iid,
                          void** object) noexcept;

    // IUnknown (delegates to the outer object when aggregated)
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count,
                                            LCID locale, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override;

    // IOrderServer
    HRESULT STDMETHODCALLTYPE get_Connected(VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE NewOrder(VARIANT Symbol, VARIANT SymExp, LONG SymType,
                                       VARIANT SymExch, LONG OrderType, LONG OrderTimeFrame,
                                       LONG OrderModifier, LONG OrderSize, double OrderPrice,
                                       LONG OrderRefId) override;
    HRESULT STDMETHODCALLTYPE CancelOrder(LONG OrderRefId) override;
    HRESULT STDMETHODCALLTYPE GetOrderStatus(LONG OrderRefId, LONG* Status, LONG* FillSize,
                                             double* FillPrice, VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE GetPositionSize(VARIANT ASymbol, VARIANT SymExp, LONG SymType,
                                              VARIANT SymExch, LONG* PosSize,
                                              VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE GetPositionInfo(VARIANT ASymbol, VARIANT SymExp, LONG SymType,
                                              VARIANT SymExch, LONG* PosSize, double* PosCost,
                                              VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE GetAllPositionSpec(VARIANT* SymbolList, VARIANT* SymExpList,
                                                 VARIANT* SymTypeList, VARIANT* SymExchList,
                                                 VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE GetAccountInfo(VARIANT* AccountInfo, VARIANT_BOOL* Value) override;

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

    // IProvideClassInfo
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override;

    // IConnectionPointContainer: one point, IOrderServerEvents
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

private:
    // The object's own IUnknown: the one an outer object holds, and the real reference count.
    class InnerUnknown : public IUnknown {
    public:
        explicit InnerUnknown(OrderServerObject& owner) : owner_(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;

    private:
        OrderServerObject& owner_;
    };

    OrderServerObject(const ObjectContext& context, IUnknown* outer);
    // A reference to the controlling unknown unless the last one is already gone (the object
    // is being destroyed).
    IUnknown* KeepAlive();
    ~OrderServerObject();
    OrderServerObject(const OrderServerObject&) = delete;
    OrderServerObject& operator=(const OrderServerObject&) = delete;

    const ObjectContext context_;
    InnerUnknown inner_;
    IUnknown* const controlling_;  // the outer object, or inner_
    volatile LONG references_ = 1;
    EventConnectionPoint events_;
};

}  // namespace ordersrv
