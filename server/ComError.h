#pragma once
// The error rule of the automation boundary: whatever goes wrong in a member becomes an error
// result with error information for the calling thread; nothing is thrown across COM.
#include <windows.h>

#include <exception>
#include <string>

#include "engine/EngineError.h"

namespace ordersrv {

// An HRESULT as registry and error texts show it: "0x8002801C".
std::string HResultText(HRESULT hr);

// Sets error information (GUID IID_IOrderServer, source "Quillmere.OrderServer", the
// description, help context 0) and answers `result`.
HRESULT OrderServerError(const std::string& description, HRESULT result) noexcept;

// Runs `body`; S_OK when it returns, otherwise the error result of what it threw: E_UNEXPECTED,
// or the failure code an engine error carries.
template <class Body>
HRESULT GuardedCall(Body&& body) noexcept {
    try {
        body();
        return S_OK;
    } catch (const EngineError& e) {
        const HRESULT carried = static_cast<HRESULT>(e.HResult());
        return OrderServerError(e.what(), FAILED(carried) ? carried : E_UNEXPECTED);
    } catch (const std::exception& e) {
        return OrderServerError(e.what(), E_UNEXPECTED);
    } catch (...) {
        return OrderServerError("Unexpected failure", E_UNEXPECTED);
    }
}

}  // namespace ordersrv
