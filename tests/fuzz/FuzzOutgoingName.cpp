// The classifier of names found under OUTGOING: every name goes to exactly one reader (or
// none), an order-state file only with the reference its name spells, a position file only
// with the name less exactly one suffix. Input: the file name.
#include <cstdint>
#include <string>

#include "bridge/OutgoingFile.h"
#include "model/AsciiText.h"
#include "tests/fuzz/FuzzCheck.h"

namespace ordersrv {

namespace {

using Kind = OutgoingFile::Kind;

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Optional blanks, optional sign, digits, within 32 bits: the reference, else -1.
int64_t Reference(const std::string& t) {
    size_t i = t.find_first_not_of(' ');
    if (i == std::string::npos) return -1;
    bool negative = false;
    if (t[i] == '+' || t[i] == '-') negative = t[i++] == '-';
    if (i == t.size()) return -1;
    int64_t value = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return -1;
        value = value * 10 + (t[i] - '0');
        if (value > 2147483648LL) return -1;
    }
    if (negative) value = -value;
    return value > 2147483647LL ? -1 : value;
}

}  // namespace

}  // namespace ordersrv

using namespace ordersrv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string name(reinterpret_cast<const char*>(data), size);
    const OutgoingFile got = ClassifyOutgoingName(name);
    const std::string upper = UpperCaseAscii(name);

    if (!EndsWith(upper, ".TXT")) {
        FUZZ_CHECK(got.kind == Kind::Ignored);
        return 0;
    }
    if (name.compare(0, 9, "HALVENMAR") == 0) {
        const int64_t ref = Reference(name.substr(9, name.size() - 13));
        if (ref < 0) {
            FUZZ_CHECK(got.kind == Kind::OrderIdError);
        } else {
            FUZZ_CHECK(got.kind == Kind::OrderState && got.orderRefId == ref);
        }
        return 0;
    }
    for (const std::string suffix : {"_POSITION.TXT", "_ POSITION.TXT"}) {
        if (EndsWith(upper, suffix) && upper.find(suffix) == upper.size() - suffix.size()) {
            FUZZ_CHECK(got.kind == Kind::Position);
            FUZZ_CHECK(got.baseName == upper.substr(0, upper.size() - suffix.size()));
            FUZZ_CHECK(got.baseName + suffix == upper);
            return 0;
        }
    }
    FUZZ_CHECK(got.kind == Kind::Ignored);
    return 0;
}
