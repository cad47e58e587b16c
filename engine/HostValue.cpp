#include "engine/HostValue.h"

#include <cstdio>
#include <utility>

#include "engine/EngineError.h"
#include "platform/DateTime.h"

namespace ordersrv {

namespace {

// A real number the way OLE Automation turns it into text: at most 15 significant digits,
// an exponent only where the plain form would be unwieldy, and the system's decimal separator.
std::string RealText(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    std::string text(buffer);
    const std::string separator = plat::DecimalSeparator();
    const size_t point = text.find('.');
    if (point != std::string::npos && separator != ".") text.replace(point, 1, separator);
    return text;
}

}  // namespace

HostValue HostValue::Text(std::string text) {
    HostValue value(Kind::Text);
    value.text_ = std::move(text);
    return value;
}

HostValue HostValue::Integer(long long number) {
    HostValue value(Kind::Integer);
    value.integer_ = number;
    return value;
}

HostValue HostValue::Real(double number) {
    HostValue value(Kind::Real);
    value.real_ = number;
    return value;
}

HostValue HostValue::Empty() { return HostValue(Kind::Empty); }
HostValue HostValue::Null() { return HostValue(Kind::Null); }
HostValue HostValue::Array() { return HostValue(Kind::Array); }

std::string HostValue::ToText() const {
    switch (kind_) {
        case Kind::Text:
            return text_;
        case Kind::Integer:
            return std::to_string(integer_);
        case Kind::Real:
            return RealText(real_);
        case Kind::Empty:
            return std::string();
        case Kind::Null:
        case Kind::Array:
            break;
    }
    throw EngineError(kConversionErrorText);
}

}  // namespace ordersrv
