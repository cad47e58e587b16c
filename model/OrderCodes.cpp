#include "model/OrderCodes.h"

#include <cstddef>

namespace ordersrv {

const char* const kUnknownCodeText = "Unknown";

namespace {

// The text of `code` in a table whose first entry belongs to `lowestCode`.
template <size_t N>
const char* TextOf(const char* const (&table)[N], int32_t lowestCode, int32_t code) {
    const int64_t position = static_cast<int64_t>(code) - lowestCode;
    if (position < 0 || position >= static_cast<int64_t>(N)) return kUnknownCodeText;
    return table[position];
}

const char* const kOrderTypeTexts[] = {"N/A", "Buy", "Sell"};
const char* const kOrderModifierTexts[] = {"N/A", "Market", "Limit", "Stop"};
const char* const kTimeFrameTexts[] = {"N/A", "Day", "GTC"};
const char* const kSymTypeTexts[] = {"Other", "Future", "Stock", "FutureOpt",
                                     "StockOpt", "Cash", "Bond", "Forex"};
const char* const kSymTypeLongTexts[] = {"Other", "Future", "Stock", "Future Option",
                                         "Stock Option", "Cash", "Bond", "Forex"};
const char* const kSymTypeTagTexts[] = {"(O)", "(F)", "(S)", "(FO)", "(SO)", "(C)", "(B)", "($)"};
const char* const kStatusTexts[] = {"Open",     "Filled",        "P. Filled", "Cancelled",
                                    "Rejected", "Not Connected", "Error",     "Rejected",
                                    "Rejected", "Sent",          "Cancel Sent"};

}  // namespace

const char* OrderTypeNames(int32_t code) { return TextOf(kOrderTypeTexts, OrderTypeCode::None, code); }
const char* OrderModifierNames(int32_t code) {
    return TextOf(kOrderModifierTexts, OrderModifierCode::None, code);
}
const char* OrderTimeFrameNames(int32_t code) {
    return TextOf(kTimeFrameTexts, TimeFrameCode::None, code);
}
const char* SymTypeNames(int32_t code) { return TextOf(kSymTypeTexts, SymTypeCode::Other, code); }
const char* SymTypeLongNames(int32_t code) {
    return TextOf(kSymTypeLongTexts, SymTypeCode::Other, code);
}
const char* SymTypeTags(int32_t code) { return TextOf(kSymTypeTagTexts, SymTypeCode::Other, code); }
const char* OrderStatusNames(int32_t code) { return TextOf(kStatusTexts, StatusCode::Open, code); }

}  // namespace ordersrv
