#pragma once
// Portable host values for the native build and tests: text, number, empty, null or array,
// converted the way OLE Automation coerces them to text.
#include <string>

#include "engine/HostText.h"

class THostValue : public THostText {
public:
    enum class Kind { Text, Integer, Real, Empty, Null, Array };

    static THostValue Text(std::string text);
    static THostValue Integer(long long value);
    static THostValue Real(double value);
    static THostValue Empty();
    static THostValue Null();
    static THostValue Array();

    std::string ToText() const override;
    Kind GetKind() const { return kind_; }

private:
    THostValue(Kind kind) : kind_(kind) {}
    Kind kind_;
    std::string text_;
    long long integer_ = 0;
    double real_ = 0;
};
