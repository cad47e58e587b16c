#include "server/VariantText.h"

#include <windows.h>
#include <oleauto.h>

#include "engine/EngineError.h"

namespace {

// Clears the VARIANT it guards when the scope ends.
struct VariantHolder {
    VARIANT v;
    VariantHolder() { VariantInit(&v); }
    ~VariantHolder() { VariantClear(&v); }
    VariantHolder(const VariantHolder&) = delete;
    VariantHolder& operator=(const VariantHolder&) = delete;
};

std::string NarrowBstr(BSTR text) {
    return text ? NarrowText(text, SysStringLen(text)) : std::string();
}

}  // namespace

std::string NarrowText(const wchar_t* text, size_t length) {
    if (length == 0) return std::string();
    const int wide = static_cast<int>(length);
    const int size = WideCharToMultiByte(CP_ACP, 0, text, wide, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(CP_ACP, 0, text, wide, &result[0], size, nullptr, nullptr);
    return result;
}

std::wstring WideText(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int narrow = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), narrow, nullptr, 0);
    std::wstring result(static_cast<size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), narrow, &result[0], size);
    return result;
}

std::string VariantText::ToText() const {
    if (V_VT(&value_) == VT_BSTR) return NarrowBstr(V_BSTR(&value_));
    VariantHolder text;
    const HRESULT hr = VariantChangeTypeEx(&text.v, const_cast<VARIANT*>(&value_),
                                           LOCALE_USER_DEFAULT, 0, VT_BSTR);
    if (FAILED(hr) || V_VT(&text.v) != VT_BSTR) throw EngineError(kConversionErrorText);
    return NarrowBstr(V_BSTR(&text.v));
}
