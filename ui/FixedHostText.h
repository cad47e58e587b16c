#pragma once
// A host text argument with a fixed value, for orders the window itself places.
#include <string>
#include <utility>

#include "engine/HostText.h"

class TFixedHostText : public THostText {
public:
    explicit TFixedHostText(std::string text) : text_(std::move(text)) {}
    std::string ToText() const override { return text_; }

private:
    std::string text_;
};
