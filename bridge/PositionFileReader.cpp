#include "bridge/PositionFileReader.h"

#include "bridge/StateLine.h"
#include "engine/Engine.h"
#include "engine/WindowMessages.h"
#include "model/AsciiText.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"

namespace ordersrv {

namespace {

// The last "_" of "<symbol> <exchange>_<account>" that is not its final character.
bool FindAccountSeparator(const std::string& base, size_t& underscore) {
    if (base.size() < 2) return false;
    underscore = base.rfind('_', base.size() - 2);
    return underscore != std::string::npos;
}

}  // namespace

void ReadPositionFile(Engine& engine, const std::string& baseName, const std::string& path) {
    // The name is wanted by log lines only: taken from the path when one is written.
    const auto name = [&path] { return plat::FileNamePart(path); };
    size_t underscore = 0;
    if (!FindAccountSeparator(baseName, underscore)) {
        engine.log.Add("PUF <" + name() + "> account not identified");
        return;
    }
    if (!EqualIgnoringAsciiCase(baseName.substr(underscore + 1), engine.settings.account))
        return;  // another account's position
    const size_t blank = underscore == 0 ? std::string::npos : baseName.rfind(' ', underscore - 1);
    if (blank == std::string::npos) {
        engine.log.Add("PUF <" + name() + "> exchange not identified");
        return;
    }
    const std::string exchange = baseName.substr(blank + 1, underscore - blank - 1);
    const std::string symbol = baseName.substr(0, blank);
    // A symbol of blanks alone is no symbol: the position book could never find it again, and
    // every scan would add another position for the same file.
    if (exchange.empty() || TrimBlanks(symbol).empty()) {
        engine.log.Add("PUF <" + name() + "> blank symbol or exchange");
        return;
    }

    std::string line;
    const FirstLineRead read = ReadFirstLine(path, line);
    if (read == FirstLineRead::Unreadable) {
        engine.log.Add("PUF <" + path + "> read error");
        return;
    }
    if (read == FirstLineRead::NoLine) return;
    StateLine state;
    if (!ParseStateLine(line, state)) {
        engine.log.Add("PUF <" + name() + "> Text <" + LoggedLineText(line) + "> parse error");
        return;
    }
    const int32_t size = state.word == "SHORT" ? -state.quantity : state.quantity;
    const double now = plat::NowDateTime();
    const bool changed = engine.positions.With(
        [&](PositionBook& book) { return book.Report(symbol, size, state.price, now); });
    if (changed) engine.ReportPositionChange(symbol, size, state.price);
    engine.Announce(WindowMessage::PositionsChanged);
}

}  // namespace ordersrv
