#pragma once
// A text argument as the host passed it, turned into 8-bit text only when the engine asks.
#include <string>

class THostText {
public:
    virtual ~THostText() = default;
    // The value as text; throws TEngineError(kConversionErrorText) when it has no text form.
    virtual std::string ToText() const = 0;
};
