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

bool PositionQueries::GetPositionSize(const HostText& ASymbol, const HostText& SymExp,
                                      int32_t SymType, const HostText& SymExch, int32_t& PosSize) {
    double cost = 0.0;
    return GetPositionInfo(ASymbol, SymExp, SymType, SymExch, PosSize, cost);
}

// Every position is stored by its symbol alone, so only the symbol takes part in the look-up.
bool PositionQueries::GetPositionInfo(const HostText& ASymbol, const HostText& /*SymExp*/,
                                      int32_t /*SymType*/, const HostText& /*SymExch*/,
                                      int32_t& PosSize, double& PosCost) {
    connection_.NoteHostContact();
    if (!settings_.AcceptOrders) return false;  // PosSize and PosCost are not written

    const std::string symbol = SymbolText(ASymbol);
    return positions_.With([&](PositionBook& book) {
        const Position* position = symbol.empty() ? nullptr : book.FindSymbol(symbol);
        if (position && position->HasPosition) {
            PosSize = position->PosSize;
            PosCost = position->PosCost;
            return true;
        }
        PosSize = 0;
        PosCost = 0.0;
        return false;
    });
}

bool PositionQueries::GetAllPositionSpec(std::vector<PositionSpec>& positions) {
    positions.clear();
    positions_.With([&](PositionBook& book) {
        positions.reserve(static_cast<size_t>(book.Count()));
        for (int32_t i = 0; i < book.Count(); ++i) {
            const Position* position = book.ItemAt(i);
            positions.push_back({position->Symbol, position->SymExp, position->SymExch,
                                 position->SymType});
        }
        return 0;
    });
    return !positions.empty();
}

bool PositionQueries::GetAccountInfo() { return false; }

}  // namespace ordersrv
