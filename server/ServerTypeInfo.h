#pragma once
// The type library embedded in the executable and the type information the automation object
// serves from it.
#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

#include "server/ComPtr.h"

namespace ordersrv {

// An out parameter of type long* or double* that script hosts pass as a variant reference.
struct ScalarOutParameter {
    MEMBERID member;
    UINT Position;  // 0-based among the member's parameters, the return value excluded
    VARTYPE type;   // VT_I4 or VT_R8
};

class ServerTypeInfo {
public:
    // Loads the library from the module's "TYPELIB" resource 1 without registering it.
    // Answers the failing HRESULT.
    HRESULT Load(const std::wstring& modulePath);

    ITypeLib* Library() const { return library_.Get(); }
    ITypeInfo* DispatchInfo() const { return dispatch_.Get(); }    // what GetTypeInfo(0) gives
    ITypeInfo* InterfaceInfo() const { return vtable_.Get(); }     // what Invoke calls through
    ITypeInfo* ClassInfo() const { return coclass_.Get(); }
    const std::vector<ScalarOutParameter>& ScalarOutParameters() const { return scalarOuts_; }

    void Release();

private:
    HRESULT FindScalarOutParameters();

    ComPtr<ITypeLib> library_;
    ComPtr<ITypeInfo> dispatch_;
    ComPtr<ITypeInfo> vtable_;
    ComPtr<ITypeInfo> coclass_;
    std::vector<ScalarOutParameter> scalarOuts_;
};

}  // namespace ordersrv
