#include "server/VariantText.h"

#include <windows.h>
#include <oleauto.h>

#include "engine/EngineError.h"
#include "platform/Scoped.h"
#include "platform/win32/WideText.h"

namespace ordersrv {

namespace {

std::string Utf8Bstr(BSTR text) {
    return text ? plat::Utf8Text(text, SysStringLen(text)) : std::string();
}

}  // namespace

std::string VariantText::ToText() const {
    if (V_VT(&value_) == VT_BSTR) return Utf8Bstr(V_BSTR(&value_));
    plat::ScopedVariant text;
    const HRESULT hr = VariantChangeTypeEx(&text.v, const_cast<VARIANT*>(&value_),
                                           LOCALE_USER_DEFAULT, 0, VT_BSTR);
    if (FAILED(hr) || V_VT(&text.v) != VT_BSTR) throw EngineError(kConversionErrorText);
    return Utf8Bstr(V_BSTR(&text.v));
}

}  // namespace ordersrv
