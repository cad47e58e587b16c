#pragma once
// Host values made in-process: text, number, empty, null or array, converted the way OLE
// Automation coerces them to text. The window's test order and the native tests use them.
#include <string>

#include "engine/HostText.h"

namespace ordersrv {

class HostValue : public HostText {
public:
    enum class Kind { Text, Integer, Real, Empty, Null, Array };

    static HostValue Text(std::string text);
    static HostValue Integer(long long value);
    static HostValue Real(double value);
    static HostValue Empty();
    static HostValue Null();
    static HostValue Array();

    std::string ToText() const override;
    Kind GetKind() const { return kind_; }

private:
    HostValue(Kind kind) : kind_(kind) {}
    Kind kind_;
    std::string text_;
    long long integer_ = 0;
    double real_ = 0;
};

}  // namespace ordersrv
