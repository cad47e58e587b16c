#pragma once
// The text pieces of NinjaTrader instruction lines.
#include <cstdint>
#include <string>

// Fixed point with exactly six decimals and "." whatever the locale: 1234.5 -> "1234.500000".
// A value that rounds to zero is written without a sign.
std::string InstructionPriceText(double price);

// "HALVENMAR" and the reference in decimal.
std::string InstructionOrderId(int32_t orderRefId);

// Texts of the codes, or null for a code outside the table.
const char* InstructionActionText(int32_t orderType);
const char* InstructionOrderTypeText(int32_t orderModifier, bool stopToStopLimit);
const char* InstructionTimeInForceText(int32_t orderTimeFrame);

// The CANCEL line of an order id, without the line end.
std::string CancelLineFor(int32_t orderRefId);
