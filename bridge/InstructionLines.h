#pragma once
// NinjaTrader instruction lines and their text pieces.
#include <cstdint>
#include <string>

namespace ordersrv {

// Fixed point with exactly six decimals and "." whatever the locale: 1234.5 -> "1234.500000".
// A value that rounds to zero is written without a sign.
std::string InstructionPriceText(double price);

// "HALVENMAR" and the reference in decimal.
std::string InstructionOrderId(int32_t orderRefId);

// Texts of the codes, or null for a code outside the table.
const char* InstructionActionText(int32_t orderType);
const char* InstructionOrderTypeText(int32_t orderModifier, bool stopToStopLimit);
const char* InstructionTimeInForceText(int32_t orderTimeFrame);

struct Order;
struct Settings;

// The PLACE line of an order, without the line end: thirteen fields, the account upper-cased,
// the symbol as the host sent it, both in the system's code page ("?" for a character it
// lacks); both price fields with the order's one price.
std::string PlaceLine(const Order& order, const Settings& settings);

// The CANCEL line of a reference, without the line end.
std::string CancelLine(int32_t orderRefId);

}  // namespace ordersrv
