#pragma once
// What a place or cancel request must satisfy before it is recorded: every field that goes
// into an instruction line must be one NinjaTrader reads as meant. A request that fails is
// refused with a EngineError carrying one of these texts.
#include <cstdint>

namespace ordersrv {

struct Order;

inline const char* const kUnsafeSymbolText =
    "Symbol holds a character an order instruction cannot carry";
inline const char* const kNegativeReferenceText = "Order reference must not be negative";
inline const char* const kUnknownOrderTypeText = "Unknown order type code";
inline const char* const kUnknownOrderModifierText = "Unknown order modifier code";
inline const char* const kUnknownTimeFrameText = "Unknown time frame code";
inline const char* const kPriceNotFiniteText = "Order price is not a finite number";

// Throws EngineError for a negative reference: it could name no order's state file.
void CheckOrderReference(int32_t orderRefId);

// Throws EngineError for the first field of a new order that an instruction cannot carry:
// symbol, reference, order type, modifier, time frame, price, in that order.
void CheckNewOrder(const Order& order);

}  // namespace ordersrv
