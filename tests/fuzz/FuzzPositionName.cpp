// The name rules of position files: "<symbol> <exchange>_<account>" less its suffix. Any base
// name either updates exactly the position its symbol part names, for the configured account
// only, or changes nothing; and reading the same file again never adds another position.
// Input: the account setting, a line end, then the base name.
#include <cstdint>
#include <string>

#include "bridge/PositionFileReader.h"
#include "model/AsciiText.h"
#include "tests/fuzz/FuzzBridgeHarness.h"
#include "tests/fuzz/FuzzCheck.h"

namespace ordersrv {

namespace {

enum class Expect { AccountNotIdentified, OtherAccount, ExchangeNotIdentified, BlankPart, Stored };

// The rules written out again, independently of the reader.
Expect Expected(const std::string& base, const std::string& account, std::string& symbol) {
    size_t underscore = std::string::npos;
    for (size_t i = base.size() >= 2 ? base.size() - 1 : 0; i-- > 0;)
        if (base[i] == '_') {
            underscore = i;
            break;
        }
    if (underscore == std::string::npos) return Expect::AccountNotIdentified;
    if (!EqualIgnoringAsciiCase(base.substr(underscore + 1), account)) return Expect::OtherAccount;
    size_t blank = std::string::npos;
    for (size_t i = underscore; i-- > 0;)
        if (base[i] == ' ') {
            blank = i;
            break;
        }
    if (blank == std::string::npos) return Expect::ExchangeNotIdentified;
    symbol = base.substr(0, blank);
    const std::string exchange = base.substr(blank + 1, underscore - blank - 1);
    // A symbol of blanks alone could never be found again, so it counts as empty.
    if (exchange.empty() || TrimBlanks(symbol).empty()) return Expect::BlankPart;
    return Expect::Stored;
}

const std::string& PositionFile() {
    static const std::string path = [] {
        const std::string p = FuzzScratchFolder() + "/OUTGOING/ES 12-05_SIM101_POSITION.TXT";
        plat::WriteWholeFile(p, "SHORT;3;1.5\r\n");
        return p;
    }();
    return path;
}

}  // namespace

}  // namespace ordersrv

using namespace ordersrv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t cut = input.find('\n');
    if (cut == std::string::npos) return 0;
    const std::string account = input.substr(0, cut);
    const std::string base = UpperCaseAscii(input.substr(cut + 1));

    FuzzBridge f;
    f.engine.settings.account = account;
    std::string symbol;
    const Expect expect = Expected(base, account, symbol);
    ReadPositionFile(f.engine, base, ListedFile(PositionFile()));
    ReadPositionFile(f.engine, base, ListedFile(PositionFile()));

    const std::vector<std::string> log = f.LogLines();
    const int32_t count = f.engine.positions.With([](PositionBook& p) { return p.Count(); });
    const std::string name = "<ES 12-05_SIM101_POSITION.TXT>";
    switch (expect) {
    case Expect::AccountNotIdentified:
    case Expect::ExchangeNotIdentified:
    case Expect::BlankPart: {
        const char* tail = expect == Expect::AccountNotIdentified    ? " account not identified"
                           : expect == Expect::ExchangeNotIdentified ? " exchange not identified"
                                                                     : " blank symbol or exchange";
        FUZZ_CHECK(log.size() == 2 && log[0] == "PUF " + name + tail && log[1] == log[0]);
        FUZZ_CHECK(count == 0);
        break;
    }
    case Expect::OtherAccount:
        FUZZ_CHECK(log.empty() && count == 0);
        break;
    case Expect::Stored: {
        FUZZ_CHECK(log.empty());
        FUZZ_CHECK(count == 1);
        f.engine.positions.With([&](PositionBook& p) {
            const Position* found = p.FindSymbol(symbol);
            FUZZ_CHECK(found && found == p.ItemAt(0));
            FUZZ_CHECK(found->symbol == symbol && found->hasPosition);
            FUZZ_CHECK(found->posSize == -3 && found->posCost == 1.5);
            FUZZ_CHECK(found->symExch.empty() && found->symExp.empty() && found->currency.empty());
            return 0;
        });
        break;
    }
    }
    return 0;
}
