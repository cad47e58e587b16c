#include "bridge/OutgoingFile.h"

#include "bridge/StateLine.h"
#include "model/AsciiText.h"

namespace ordersrv {

namespace {

constexpr const char* kOrderFilePrefix = "HALVENMAR";
constexpr const char* kPositionSuffix = "_POSITION.TXT";
constexpr const char* kPositionSuffixWithBlank = "_ POSITION.TXT";

// The base name when NAME ends with the suffix and holds it nowhere earlier.
bool StripPositionSuffix(const std::string& upperName, const std::string& suffix,
                         std::string& base) {
    const size_t at = upperName.find(suffix);
    if (at == std::string::npos || at + suffix.size() != upperName.size()) return false;
    base = upperName.substr(0, at);
    return true;
}

}  // namespace

OutgoingFile ClassifyOutgoingName(const std::string& name) {
    OutgoingFile result;
    // Only ".TXT" names count, in any case; most names a scan meets are decided here, without
    // a copy of the name.
    constexpr size_t kExtension = 4;
    if (name.size() < kExtension ||
        !EqualIgnoringAsciiCase(name.substr(name.size() - kExtension), ".TXT"))
        return result;

    const std::string prefix = kOrderFilePrefix;
    if (name.compare(0, prefix.size(), prefix) == 0) {
        const std::string number = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        result.orderRefId = WholeNumberOr(number, -1);
        result.kind = result.orderRefId < 0 ? OutgoingFile::Kind::OrderIdError
                                            : OutgoingFile::Kind::OrderState;
        return result;
    }

    const std::string upperName = UpperCaseAscii(name);
    if (StripPositionSuffix(upperName, kPositionSuffix, result.baseName) ||
        StripPositionSuffix(upperName, kPositionSuffixWithBlank, result.baseName))
        result.kind = OutgoingFile::Kind::Position;
    return result;
}

}  // namespace ordersrv
