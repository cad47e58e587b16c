#pragma once
// Arguments for IDispatch::Invoke built the way a late-bound host passes them: values, and
// places the server writes through. Text belongs to the VARIANT (VariantClear frees it); a
// place points at the caller's variable.
#include <windows.h>
#include <oleauto.h>

namespace invokearg {

inline VARIANT Of(VARTYPE type) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = type;
    return v;
}
inline VARIANT Text(const wchar_t* s) {
    VARIANT v = Of(VT_BSTR);
    V_BSTR(&v) = SysAllocString(s);
    return v;
}
inline VARIANT Long(LONG n) {
    VARIANT v = Of(VT_I4);
    V_I4(&v) = n;
    return v;
}
inline VARIANT Double(double d) {
    VARIANT v = Of(VT_R8);
    V_R8(&v) = d;
    return v;
}
inline VARIANT Null() { return Of(VT_NULL); }
inline VARIANT LongPlace(LONG* p) {
    VARIANT v = Of(VT_I4 | VT_BYREF);
    V_I4REF(&v) = p;
    return v;
}
inline VARIANT DoublePlace(double* p) {
    VARIANT v = Of(VT_R8 | VT_BYREF);
    V_R8REF(&v) = p;
    return v;
}
inline VARIANT VariantPlace(VARIANT* p) {
    VARIANT v = Of(VT_VARIANT | VT_BYREF);
    V_VARIANTREF(&v) = p;
    return v;
}

}  // namespace invokearg
