#pragma once
// A host text argument with a fixed value, for orders the window itself places.
#include <string>
#include <utility>

#include "engine/HostText.h"

class FixedText : public HostText {
public:
    explicit FixedText(std::string text) : text_(std::move(text)) {}
    std::string ToText() const override { return text_; }

private:
    std::string text_;
};
