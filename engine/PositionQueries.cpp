#include "engine/EngineError.h"
#include "engine/Engine.h"

namespace {

// The host's symbol, expiry and exchange as text. A value that cannot be converted is taken
// as empty, and so are the ones after it: the queries raise no error of their own.
struct PositionRequest {
    std::string Symbol;
    std::string SymExp;
    std::string SymExch;
};

PositionRequest ConvertQuietly(const HostText& symbol, const HostText& symExp,
                                const HostText& symExch) {
    PositionRequest request;
    try {
        request.Symbol = symbol.ToText();
        request.SymExp = symExp.ToText();
        request.SymExch = symExch.ToText();
    } catch (const EngineError&) {
    }
    return request;
}

}  // namespace

bool Engine::GetPositionSize(const HostText& ASymbol, const HostText& SymExp,
                                         int32_t SymType, const HostText& SymExch,
                                         int32_t& PosSize) {
    double cost = 0.0;
    return GetPositionInfo(ASymbol, SymExp, SymType, SymExch, PosSize, cost);
}

// Every position is stored by its symbol alone, so only the symbol takes part in the look-up.
bool Engine::GetPositionInfo(const HostText& ASymbol, const HostText& SymExp,
                                         int32_t /*SymType*/, const HostText& SymExch,
                                         int32_t& PosSize, double& PosCost) {
    NoteHostContact();
    if (!settings.AcceptOrders) return false;  // PosSize and PosCost are not written

    const PositionRequest request = ConvertQuietly(ASymbol, SymExp, SymExch);
    plat::LockGuard hold(positionsLock_);
    const Position* position =
        request.Symbol.empty() ? nullptr : positions_.FindSymbol(request.Symbol);
    if (position && position->HasPosition) {
        PosSize = position->PosSize;
        PosCost = position->PosCost;
        return true;
    }
    PosSize = 0;
    PosCost = 0.0;
    return false;
}

bool Engine::GetAllPositionSpec(std::vector<PositionSpec>& positions) {
    positions.clear();
    plat::LockGuard hold(positionsLock_);
    const int32_t count = positions_.Count();
    positions.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        const Position* position = positions_.ItemAt(i);
        if (!position) continue;
        PositionSpec row;
        row.Symbol = position->Symbol;
        row.SymExp = position->SymExp;
        row.SymExch = position->SymExch;
        row.SymType = position->SymType;
        positions.push_back(std::move(row));
    }
    return !positions.empty();
}

bool Engine::GetAccountInfo() { return false; }
