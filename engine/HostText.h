#pragma once
// A text argument as the host passed it, turned into the process's text (UTF-8) only when the
// engine asks.
#include <string>

namespace ordersrv {

class HostText {
public:
    virtual ~HostText() = default;
    // The value as text; throws EngineError(kConversionErrorText) when it has no text form.
    virtual std::string ToText() const = 0;
};

}  // namespace ordersrv
