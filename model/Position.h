#pragma once
// One instrument position as NinjaTrader reported it.
#include <cstdint>
#include <string>

struct Instrument {
    std::string Symbol;
    std::string SymExp;
    std::string SymExch;
    std::string Currency;
    int32_t SymType = 0;

    virtual ~Instrument() = default;
};

struct Position : Instrument {
    Position();  // UpdateTime = now

    bool HasPosition = false;  // set once a position file has been applied
    int32_t PosSize = 0;       // positive long, negative short, 0 flat
    double PosCost = 0.0;      // average price
    double UpdateTime;         // local OLE date-time of the last position file applied
};
