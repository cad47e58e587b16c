#pragma once
// One instrument position as NinjaTrader reported it, with the instrument it is kept under.
#include <cstdint>
#include <string>

namespace ordersrv {

struct Position {
    Position();  // UpdateTime = now

    // The instrument: its key in the position book is symbol / exchange / currency / expiry.
    std::string Symbol;
    std::string SymExp;
    std::string SymExch;
    std::string Currency;
    int32_t SymType = 0;

    bool HasPosition = false;  // set once a position file has been applied
    int32_t PosSize = 0;       // positive long, negative short, 0 flat
    double PosCost = 0.0;      // average price
    double UpdateTime;         // local OLE date-time of the last position file applied
};

}  // namespace ordersrv
