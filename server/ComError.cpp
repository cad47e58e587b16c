#include "server/ComError.h"

#include <oleauto.h>

#include "server/ComPtr.h"
#include "server/Quillmere.h"
#include "server/RegistryTable.h"
#include "platform/win32/WideText.h"

namespace ordersrv {

namespace {

// The description as BSTR-ready wide text; empty when even that cannot be made.
std::wstring DescriptionText(const std::string& description) noexcept {
    try {
        return plat::WideText(description);
    } catch (...) {
        return std::wstring();
    }
}

}  // namespace

std::string HResultText(HRESULT hr) {
    char text[16];
    wsprintfA(text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

HRESULT OrderServerError(const std::string& description, HRESULT result) noexcept {
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.Out()))) {
        const std::wstring text = DescriptionText(description);
        wchar_t source[64];
        MultiByteToWideChar(CP_ACP, 0, kOrderServerProgId, -1, source, 64);
        create->SetGUID(IID_IOrderServer);
        create->SetSource(source);
        create->SetDescription(const_cast<wchar_t*>(text.c_str()));
        create->SetHelpContext(0);
        ComPtr<IErrorInfo> info;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(info.Out()))))
            SetErrorInfo(0, info.Get());
    }
    return result;
}

}  // namespace ordersrv
