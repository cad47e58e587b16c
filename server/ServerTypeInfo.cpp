#include "server/ServerTypeInfo.h"

#include <oleauto.h>

#include "server/Quillmere.h"

namespace ordersrv {

namespace {

VARTYPE ScalarOutType(const ELEMDESC& parameter) {
    const USHORT flags = parameter.paramdesc.wParamFlags;
    if (!(flags & PARAMFLAG_FOUT) || (flags & PARAMFLAG_FRETVAL)) return VT_EMPTY;
    const TYPEDESC& type = parameter.tdesc;
    if (type.vt != VT_PTR || !type.lptdesc) return VT_EMPTY;
    const VARTYPE target = type.lptdesc->vt;
    return target == VT_I4 || target == VT_R8 ? target : static_cast<VARTYPE>(VT_EMPTY);
}

}  // namespace

HRESULT ServerTypeInfo::Load(const std::wstring& modulePath) {
    HRESULT hr = LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, library_.Out());
    if (FAILED(hr)) return hr;
    hr = library_->GetTypeInfoOfGuid(IID_IOrderServer, dispatch_.Out());
    if (FAILED(hr)) return hr;
    // A dual interface's dispatch description refers to its vtable description as -1.
    HREFTYPE vtableRef = 0;
    hr = dispatch_->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableRef);
    if (FAILED(hr)) return hr;
    hr = dispatch_->GetRefTypeInfo(vtableRef, vtable_.Out());
    if (FAILED(hr)) return hr;
    hr = library_->GetTypeInfoOfGuid(CLSID_OrderServer, coclass_.Out());
    if (FAILED(hr)) return hr;
    return FindScalarOutParameters();
}

HRESULT ServerTypeInfo::FindScalarOutParameters() {
    TYPEATTR* attributes = nullptr;
    HRESULT hr = vtable_->GetTypeAttr(&attributes);
    if (FAILED(hr)) return hr;
    const WORD functions = attributes->cFuncs;
    vtable_->ReleaseTypeAttr(attributes);
    scalarOuts_.clear();
    for (UINT f = 0; f < functions; ++f) {
        FUNCDESC* function = nullptr;
        hr = vtable_->GetFuncDesc(f, &function);
        if (FAILED(hr)) return hr;
        for (SHORT p = 0; p < function->cParams; ++p) {
            const VARTYPE type = ScalarOutType(function->lprgelemdescParam[p]);
            if (type != VT_EMPTY)
                scalarOuts_.push_back({function->memid, static_cast<UINT>(p), type});
        }
        vtable_->ReleaseFuncDesc(function);
    }
    return S_OK;
}

void ServerTypeInfo::Release() {
    coclass_.Reset();
    vtable_.Reset();
    dispatch_.Reset();
    library_.Reset();
}

}  // namespace ordersrv
