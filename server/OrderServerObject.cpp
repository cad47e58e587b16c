#include "server/OrderServerObject.h"

#include <oleauto.h>

#include <new>
#include <vector>

#include "engine/Engine.h"
#include "server/ComError.h"
#include "server/PositionArrays.h"
#include "server/ScriptOutArguments.h"
#include "server/VariantText.h"

namespace ordersrv {

namespace {

VARIANT_BOOL AutomationBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

// An out VARIANT carries nothing in: it is made empty without freeing what the memory held.
void MakeEmpty(VARIANT* value) { V_VT(value) = VT_EMPTY; }

// Puts the engine's 32-bit result into the caller's LONG when the scope ends, so an out value
// written before an error stays written.
class LongOut {
public:
    explicit LongOut(LONG* target) : target_(target), value_(*target) {}
    ~LongOut() { *target_ = value_; }
    LongOut(const LongOut&) = delete;
    LongOut& operator=(const LongOut&) = delete;
    int32_t& Value() { return value_; }

private:
    LONG* target_;
    int32_t value_;
};

bool AnyNull() { return false; }
template <class P, class... Rest>
bool AnyNull(P* first, Rest*... rest) {
    return first == nullptr || AnyNull(rest...);
}

}  // namespace

HRESULT OrderServerObject::Create(const ObjectContext& context, IUnknown* outer, REFIID iid,
                             void** object) noexcept {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    OrderServerObject* created = new (std::nothrow) OrderServerObject(context, outer);
    if (!created) return E_OUTOFMEMORY;
    const HRESULT hr = created->inner_.QueryInterface(iid, object);
    created->inner_.Release();
    return hr;
}

OrderServerObject::OrderServerObject(const ObjectContext& context, IUnknown* outer)
    : context_(context),
      inner_(*this),
      controlling_(outer ? outer : &inner_),
      events_(*this, *controlling_, context.events, [this] { return KeepAlive(); }) {
    context_.lifetime.ObjectAdded();
    context_.lifetime.Track(events_);
}

// Its subscriptions end before it counts as released: the last release may end the process.
OrderServerObject::~OrderServerObject() {
    context_.lifetime.Forget(events_);
    events_.Close();
    context_.lifetime.ObjectReleased();
}

// ---- IUnknown -----------------------------------------------------------------------------

HRESULT OrderServerObject::InnerUnknown::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    OrderServerObject& o = owner_;
    if (IsEqualIID(iid, IID_IUnknown))
        *object = static_cast<IUnknown*>(this);
    else if (IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IOrderServer))
        *object = static_cast<IOrderServer*>(&o);
    else if (IsEqualIID(iid, IID_ISupportErrorInfo))
        *object = static_cast<ISupportErrorInfo*>(&o);
    else if (IsEqualIID(iid, IID_IProvideClassInfo))
        *object = static_cast<IProvideClassInfo*>(&o);
    else if (IsEqualIID(iid, IID_IConnectionPointContainer))
        *object = static_cast<IConnectionPointContainer*>(&o);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    static_cast<IUnknown*>(*object)->AddRef();
    return S_OK;
}

// An aggregated object's count belongs to its outer object: it is left alone.
IUnknown* OrderServerObject::KeepAlive() {
    if (controlling_ != &inner_) return nullptr;
    for (LONG seen = references_; seen > 0; seen = references_)
        if (InterlockedCompareExchange(&references_, seen + 1, seen) == seen) return &inner_;
    return nullptr;
}

ULONG OrderServerObject::InnerUnknown::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&owner_.references_));
}

ULONG OrderServerObject::InnerUnknown::Release() {
    const LONG left = InterlockedDecrement(&owner_.references_);
    if (left == 0) delete &owner_;
    return static_cast<ULONG>(left);
}

HRESULT OrderServerObject::QueryInterface(REFIID iid, void** object) {
    return controlling_->QueryInterface(iid, object);
}
ULONG OrderServerObject::AddRef() { return controlling_->AddRef(); }
ULONG OrderServerObject::Release() { return controlling_->Release(); }

// ---- IDispatch ----------------------------------------------------------------------------

HRESULT OrderServerObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT OrderServerObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    *info = context_.types.DispatchInfo();
    (*info)->AddRef();
    return S_OK;
}

HRESULT OrderServerObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                    DISPID* ids) {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    return DispGetIDsOfNames(context_.types.InterfaceInfo(), names, count, ids);
}

HRESULT OrderServerObject::Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                             VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!params) return E_INVALIDARG;
    try {
        ScriptOutArguments outs(*params, member, context_.types.ScalarOutParameters());
        const HRESULT hr = context_.types.InterfaceInfo()->Invoke(
            static_cast<IOrderServer*>(this), member, flags, outs.Params(), result, exception,
            argumentError);
        if (SUCCEEDED(hr)) outs.StoreResults();
        return hr;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

// ---- IOrderServer -------------------------------------------------------------------------

HRESULT OrderServerObject::get_Connected(VARIANT_BOOL* Value) {
    if (AnyNull(Value)) return E_POINTER;
    return GuardedCall([&] {
        EngineGate::Pass pass(context_.gate);
        *Value = AutomationBool(pass.engine().router.IsConnected());
    });
}

HRESULT OrderServerObject::NewOrder(VARIANT Symbol, VARIANT SymExp, LONG SymType, VARIANT SymExch,
                               LONG OrderType, LONG OrderTimeFrame, LONG OrderModifier,
                               LONG OrderSize, double OrderPrice, LONG OrderRefId) {
    return GuardedCall([&] {
        EngineGate::Pass pass(context_.gate);
        pass.engine().router.NewOrder(VariantText(Symbol), VariantText(SymExp), SymType,
                               VariantText(SymExch), OrderType, OrderTimeFrame,
                               OrderModifier, OrderSize, OrderPrice, OrderRefId);
    });
}

HRESULT OrderServerObject::CancelOrder(LONG OrderRefId) {
    return GuardedCall([&] {
        EngineGate::Pass pass(context_.gate);
        pass.engine().router.CancelOrder(OrderRefId);
    });
}

HRESULT OrderServerObject::GetOrderStatus(LONG OrderRefId, LONG* Status, LONG* FillSize,
                                     double* FillPrice, VARIANT_BOOL* Value) {
    if (AnyNull(Status, FillSize, FillPrice, Value)) return E_POINTER;
    return GuardedCall([&] {
        EngineGate::Pass pass(context_.gate);
        LongOut status(Status), fillSize(FillSize);
        *Value = AutomationBool(pass.engine().router.GetOrderStatus(OrderRefId, status.Value(),
                                                             fillSize.Value(), *FillPrice));
    });
}

HRESULT OrderServerObject::GetPositionSize(VARIANT ASymbol, VARIANT SymExp, LONG SymType,
                                      VARIANT SymExch, LONG* PosSize, VARIANT_BOOL* Value) {
    if (AnyNull(PosSize, Value)) return E_POINTER;
    return GuardedCall([&] {
        EngineGate::Pass pass(context_.gate);
        LongOut size(PosSize);
        *Value = AutomationBool(pass.engine().queries.GetPositionSize(
            VariantText(ASymbol), VariantText(SymExp), SymType,
            VariantText(SymExch), size.Value()));
    });
}

HRESULT OrderServerObject::GetPositionInfo(VARIANT ASymbol, VARIANT SymExp, LONG SymType,
                                      VARIANT SymExch, LONG* PosSize, double* PosCost,
                                      VARIANT_BOOL* Value) {
    if (AnyNull(PosSize, PosCost, Value)) return E_POINTER;
    return GuardedCall([&] {
        EngineGate::Pass pass(context_.gate);
        LongOut size(PosSize);
        *Value = AutomationBool(pass.engine().queries.GetPositionInfo(
            VariantText(ASymbol), VariantText(SymExp), SymType,
            VariantText(SymExch), size.Value(), *PosCost));
    });
}

HRESULT OrderServerObject::GetAllPositionSpec(VARIANT* SymbolList, VARIANT* SymExpList,
                                         VARIANT* SymTypeList, VARIANT* SymExchList,
                                         VARIANT_BOOL* Value) {
    if (AnyNull(SymbolList, SymExpList, SymTypeList, SymExchList, Value)) return E_POINTER;
    return GuardedCall([&] {
        MakeEmpty(SymbolList);
        MakeEmpty(SymExpList);
        MakeEmpty(SymTypeList);
        MakeEmpty(SymExchList);
        EngineGate::Pass pass(context_.gate);
        std::vector<PositionSpec> positions;
        const bool found = pass.engine().queries.GetAllPositionSpec(positions);
        if (found && !positions.empty())
            PositionArrays(positions).MoveTo(SymbolList, SymExpList, SymTypeList, SymExchList);
        *Value = AutomationBool(found);
    });
}

HRESULT OrderServerObject::GetAccountInfo(VARIANT* AccountInfo, VARIANT_BOOL* Value) {
    if (AnyNull(AccountInfo, Value)) return E_POINTER;
    return GuardedCall([&] {
        MakeEmpty(AccountInfo);
        EngineGate::Pass pass(context_.gate);
        *Value = AutomationBool(pass.engine().queries.GetAccountInfo());
    });
}

// ---- ISupportErrorInfo, IProvideClassInfo ---------------------------------------------------

HRESULT OrderServerObject::InterfaceSupportsErrorInfo(REFIID iid) {
    const bool ours = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISupportErrorInfo) ||
                      IsEqualIID(iid, IID_IProvideClassInfo) || IsEqualIID(iid, IID_IDispatch) ||
                      IsEqualIID(iid, IID_IOrderServer);
    return ours ? S_OK : S_FALSE;
}

HRESULT OrderServerObject::GetClassInfo(ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = context_.types.ClassInfo();
    (*info)->AddRef();
    return S_OK;
}

// ---- IConnectionPointContainer -------------------------------------------------------------

HRESULT OrderServerObject::EnumConnectionPoints(IEnumConnectionPoints** points) {
    return events_.EnumerateAsOnlyPoint(points);
}

HRESULT OrderServerObject::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (!IsEqualIID(iid, DIID_IOrderServerEvents)) return CONNECT_E_NOCONNECTION;
    *point = &events_;
    events_.AddRef();
    return S_OK;
}

}  // namespace ordersrv
