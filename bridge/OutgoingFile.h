#pragma once
// What a file name found under OUTGOING stands for, decided from the name alone.
#include <cstdint>
#include <string>

namespace ordersrv {

struct OutgoingFile {
    enum class Kind { Ignored, OrderIdError, OrderState, Position };
    Kind kind = Kind::Ignored;
    int32_t orderRefId = -1;  // OrderState: the reference behind "HALVENMAR"
    std::string baseName;     // Position: the upper-cased name less its suffix
};

// `name` is the file name part only, as listed.
OutgoingFile ClassifyOutgoingName(const std::string& name);

}  // namespace ordersrv
