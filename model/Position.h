#pragma once
// One instrument position as NinjaTrader reported it, with the instrument it is kept under.
#include <cstdint>
#include <string>

namespace ordersrv {

struct Position {
    Position();  // UpdateTime = now

    // The instrument: its key in the position book is symbol / exchange / currency / expiry.
    std::string symbol;
    std::string symExp;
    std::string symExch;
    std::string currency;
    int32_t symType = 0;

    bool hasPosition = false;  // set once a position file has been applied
    int32_t posSize = 0;       // positive long, negative short, 0 flat
    double posCost = 0.0;      // average price
    double updateTime;         // local OLE date-time of the last position file applied
};

}  // namespace ordersrv
