#pragma once
// The host's order vocabulary: integer codes and their display texts.
#include <cstdint>

namespace ordersrv {

namespace OrderTypeCode {  // direction, carried by the host's OrderType argument
constexpr int32_t None = -1, Buy = 0, Sell = 1;
}
namespace OrderModifierCode {  // kind of order, carried by the host's OrderModifier argument
constexpr int32_t None = -1, Market = 0, Limit = 1, Stop = 2;
}
namespace TimeFrameCode {  // time in force
constexpr int32_t None = -1, Day = 0, GTC = 1;
}
namespace SymTypeCode {
constexpr int32_t Other = 0, Future = 1, Stock = 2, FutureOpt = 3, StockOpt = 4, Cash = 5,
                  Bond = 6, Forex = 7;
}
namespace StatusCode {
constexpr int32_t Open = 0, Filled = 1, PartFilled = 2, Cancelled = 3, NoAnswer = 4,
                  NotConnected = 5, Error = 6, Rejected7 = 7, Rejected = 8, Sent = 9,
                  CancelSent = 10;
}

// Text of a code; a code outside its table yields kUnknownCodeText, never a read outside it.
extern const char* const kUnknownCodeText;
const char* OrderTypeNames(int32_t code);
const char* OrderModifierNames(int32_t code);
const char* OrderTimeFrameNames(int32_t code);
const char* SymTypeNames(int32_t code);
const char* SymTypeLongNames(int32_t code);
const char* SymTypeTags(int32_t code);
const char* OrderStatusNames(int32_t code);

}  // namespace ordersrv
