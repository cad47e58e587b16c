#pragma once
// An error a host call raises inside the engine; the automation layer turns it into an error
// result with this text as its description.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace ordersrv {

class EngineError : public std::runtime_error {
public:
    // hresult 0 means "no code of its own": the automation layer answers E_UNEXPECTED.
    explicit EngineError(const std::string& message, int32_t hresult = 0)
        : std::runtime_error(message), hresult_(hresult) {}
    int32_t HResult() const { return hresult_; }

private:
    int32_t hresult_;
};

// The text of a host value that cannot be turned into text.
inline const char* const kConversionErrorText = "Invalid variant type conversion";

}  // namespace ordersrv
