#pragma once
// A host's VARIANT argument as text for the engine (UTF-8): a wide string is taken as it is,
// anything else goes through OLE Automation's coercion in the user's default locale.
#include <oaidl.h>

#include "engine/HostText.h"

namespace ordersrv {

class VariantText : public HostText {
public:
    explicit VariantText(const VARIANT& value) : value_(value) {}
    std::string ToText() const override;

private:
    const VARIANT& value_;
};

}  // namespace ordersrv
