#include <memory>

#include "bridge/FileBridge.h"
#include "bridge/StateLine.h"
#include "engine/Engine.h"
#include "engine/WindowMessages.h"
#include "model/AsciiText.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"

namespace {

// The last "_" of "<symbol> <exchange>_<account>" that is not its final character.
bool FindAccountSeparator(const std::string& base, size_t& underscore) {
    if (base.size() < 2) return false;
    underscore = base.rfind('_', base.size() - 2);
    return underscore != std::string::npos;
}

void StorePosition(PositionBook& positions, const std::string& symbol,
                   int32_t size, double cost) {
    Position* position = positions.FindSymbol(symbol);
    if (!position) {
        auto created = std::make_unique<Position>();
        created->Symbol = symbol;
        created->SymType = 0;
        position = created.get();
        positions.Add(std::move(created));
    }
    position->HasPosition = true;
    position->PosSize = size;
    position->PosCost = cost;
    position->UpdateTime = plat::NowDateTime();
}

}  // namespace

void FileBridge::ReadPositionFile(const std::string& baseName, const std::string& path) {
    const std::string name = plat::FileNamePart(path);
    size_t underscore = 0;
    if (!FindAccountSeparator(baseName, underscore)) {
        engine_.AddLogLine("PUF <" + name + "> account not identified");
        return;
    }
    if (!EqualIgnoringAsciiCase(baseName.substr(underscore + 1), engine_.settings.Account))
        return;  // another account's position
    const size_t blank = underscore == 0 ? std::string::npos : baseName.rfind(' ', underscore - 1);
    if (blank == std::string::npos) {
        engine_.AddLogLine("PUF <" + name + "> exchange not identified");
        return;
    }
    const std::string exchange = baseName.substr(blank + 1, underscore - blank - 1);
    const std::string symbol = baseName.substr(0, blank);
    // A symbol of blanks alone is no symbol: the position book could never find it again, and
    // every scan would add another position for the same file.
    if (exchange.empty() || TrimBlanks(symbol).empty()) {
        engine_.AddLogLine("PUF <" + name + "> blank symbol or exchange");
        return;
    }

    std::string line;
    const FirstLineRead read = ReadFirstLine(path, line);
    if (read == FirstLineRead::Unreadable) {
        engine_.AddLogLine("PUF <" + path + "> read error");
        return;
    }
    if (read == FirstLineRead::NoLine) return;
    StateLine state;
    if (!ParseStateLine(line, state)) {
        engine_.AddLogLine("PUF <" + name + "> Text <" + LoggedLineText(line) + "> parse error");
        return;
    }
    const int32_t size = state.Word == "SHORT" ? -state.Quantity : state.Quantity;
    engine_.WithPositions([&](PositionBook& positions) {
        StorePosition(positions, symbol, size, state.Price);
        return 0;
    });
    engine_.PostToWindow(WindowMessage::PositionsChanged);
}
