#pragma once
// One order the host placed during the run.
#include <cstdint>
#include <string>

#include "model/OrderCodes.h"

struct Order {
    Order();  // ReceivedTime = now

    // Set by NewOrder before the record enters the order book; never changed afterwards.
    std::string Symbol;
    std::string SymExp;
    int32_t SymType = SymTypeCode::Other;
    std::string SymExch;
    int32_t OrderType = OrderTypeCode::Buy;
    int32_t OrderTimeFrame = TimeFrameCode::Day;
    int32_t OrderModifier = OrderModifierCode::Market;
    int32_t OrderSize = 0;
    double OrderPrice = 0.0;
    int32_t OrderRefId = -1;

    // What NinjaTrader last reported; changed under the engine's order-book lock.
    int32_t Status = StatusCode::Open;
    int32_t FillSize = 0;
    double FillPrice = 0.0;

    double ReceivedTime;      // local OLE date-time of creation
    double UpdateTime = 0.0;  // local OLE date-time of the last state change; 0 = none
};

// "Buy Lmt", "Sell Stp", "Unknown Action ???", ... for the orders view.
std::string ActionText(const Order& order);

// True for limit and stop orders, the ones whose price means something.
bool HasPrice(const Order& order);
