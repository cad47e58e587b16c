#pragma once
// The host's position and account queries (host threads), answered at once from the position
// book, which NinjaTrader's position files keep up to date.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/HostText.h"
#include "model/PositionBook.h"
#include "platform/Guarded.h"

namespace ordersrv {

class Connection;
struct Settings;

// One row of GetAllPositionSpec.
struct PositionSpec {
    std::string symbol;
    std::string symExp;
    std::string symExch;
    int32_t symType = 0;
};

class PositionQueries {
public:
    PositionQueries(const Settings& settings, Connection& connection,
                    plat::Guarded<PositionBook>& positions);

    // Found by the symbol alone; a text that cannot be converted counts as empty. With
    // AcceptOrders off: false, outputs not written; otherwise a position not found or not yet
    // reported answers false with size 0 and cost 0. Both note host contact.
    bool GetPositionSize(const HostText& hostSymbol, const HostText& symExp, int32_t symType,
                         const HostText& symExch, int32_t& posSize);
    bool GetPositionInfo(const HostText& hostSymbol, const HostText& symExp, int32_t symType,
                         const HostText& symExch, int32_t& posSize, double& posCost);
    // Every position, oldest first; false and empty when there is none.
    bool GetAllPositionSpec(std::vector<PositionSpec>& positions);
    bool GetAccountInfo();

private:
    const Settings& settings_;
    Connection& connection_;
    plat::Guarded<PositionBook>& positions_;
};

}  // namespace ordersrv
