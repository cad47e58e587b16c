#include "engine/PositionQueries.h"

#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "engine/Settings.h"

namespace ordersrv {

namespace {

// The host's symbol as text. A value that cannot be converted is taken as empty: the queries
// raise no error of their own. Expiry and exchange play no part in the look-up.
std::string SymbolText(const HostText& symbol) {
    try {
        return symbol.ToText();
    } catch (const EngineError&) {
        return std::string();
    }
}

}  // namespace

PositionQueries::PositionQueries(const Settings& settings, Connection& connection,
                                 plat::Guarded<PositionBook>& positions)
    : settings_(settings), connection_(connection), positions_(positions) {}

bool PositionQueries::GetPositionSize(const HostText& hostSymbol, const HostText& symExp,
                                      int32_t symType, const HostText& symExch, int32_t& posSize) {
    double cost = 0.0;
    return GetPositionInfo(hostSymbol, symExp, symType, symExch, posSize, cost);
}

// Every position is stored by its symbol alone, so only the symbol takes part in the look-up.
bool PositionQueries::GetPositionInfo(const HostText& hostSymbol, const HostText& /*symExp*/,
                                      int32_t /*symType*/, const HostText& /*symExch*/,
                                      int32_t& posSize, double& posCost) {
    connection_.NoteHostContact();
    if (!settings_.acceptOrders) return false;  // posSize and posCost are not written

    const std::string symbol = SymbolText(hostSymbol);
    return positions_.With([&](PositionBook& book) {
        const Position* position = symbol.empty() ? nullptr : book.FindSymbol(symbol);
        if (position && position->hasPosition) {
            posSize = position->posSize;
            posCost = position->posCost;
            return true;
        }
        posSize = 0;
        posCost = 0.0;
        return false;
    });
}

bool PositionQueries::GetAllPositionSpec(std::vector<PositionSpec>& positions) {
    positions.clear();
    positions_.With([&](PositionBook& book) {
        positions.reserve(static_cast<size_t>(book.Count()));
        for (int32_t i = 0; i < book.Count(); ++i) {
            const Position* position = book.ItemAt(i);
            positions.push_back({position->symbol, position->symExp, position->symExch,
                                 position->symType});
        }
        return 0;
    });
    return !positions.empty();
}

bool PositionQueries::GetAccountInfo() { return false; }

}  // namespace ordersrv
