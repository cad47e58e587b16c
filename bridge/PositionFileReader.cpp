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

OutgoingRead ReadPositionFile(Engine& engine, const std::string& baseName, const ListedFile& file) {
    const std::string& path = file.path;
    // A fault is logged once per version of the file; the name is wanted by log lines only.
    const auto fault = [&](const std::string& what, bool byPath = false) {
        if (!file.faultsTold)
            engine.log.Add("PUF <" + (byPath ? path : plat::FileNamePart(path)) + "> " + what);
    };
    size_t underscore = 0;
    if (!FindAccountSeparator(baseName, underscore)) {
        fault("account not identified");
        return OutgoingRead::Taken;
    }
    if (!EqualIgnoringAsciiCase(baseName.substr(underscore + 1), engine.settings.account))
        return OutgoingRead::Taken;  // another account's position
    const size_t blank = underscore == 0 ? std::string::npos : baseName.rfind(' ', underscore - 1);
    if (blank == std::string::npos) {
        fault("exchange not identified");
        return OutgoingRead::Taken;
    }
    const std::string exchange = baseName.substr(blank + 1, underscore - blank - 1);
    const std::string symbol = baseName.substr(0, blank);
    // A symbol of blanks alone is no symbol: the position book could never find it again, and
    // every scan would add another position for the same file.
    if (exchange.empty() || TrimBlanks(symbol).empty()) {
        fault("blank symbol or exchange");
        return OutgoingRead::Taken;
    }

    std::string line;
    const FirstLineRead read = ReadFirstLine(path, line);
    if (read == FirstLineRead::Unreadable) {
        fault("read error", true);
        return OutgoingRead::Retry;
    }
    if (read == FirstLineRead::NoLine) return OutgoingRead::Retry;
    StateLine state;
    if (!ParseStateLine(line, state)) {
        fault("Text <" + LoggedLineText(line) + "> parse error");
        return OutgoingRead::Taken;
    }
    const int32_t size = state.word == "SHORT" ? -state.quantity : state.quantity;
    const double now = plat::NowDateTime();
    const bool changed = engine.positions.With(
        [&](PositionBook& book) { return book.Report(symbol, size, state.price, now); });
    if (changed) engine.ReportPositionChange(symbol, size, state.price);
    engine.Announce(WindowMessage::PositionsChanged);
    return OutgoingRead::Taken;
}

}  // namespace ordersrv
