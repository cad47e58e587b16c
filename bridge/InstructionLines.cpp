#include "bridge/InstructionLines.h"

#include <charconv>
#include <cmath>

#include "engine/Settings.h"
#include "model/AsciiText.h"
#include "model/Order.h"
#include "model/OrderCodes.h"
#include "platform/CodePage.h"

namespace ordersrv {

std::string InstructionPriceText(double price) {
    if (!std::isfinite(price)) return std::isnan(price) ? "NAN" : (price < 0 ? "-INF" : "INF");
    // to_chars rounds to the nearest six-decimal value and never looks at the locale.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, price, std::chars_format::fixed, 6);
    std::string text(buffer, result.ptr);
    if (text.size() > 1 && text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1);
    return text;
}

std::string InstructionOrderId(int32_t orderRefId) {
    return "HALVENMAR" + std::to_string(orderRefId);
}

const char* InstructionActionText(int32_t orderType) {
    switch (orderType) {
    case OrderTypeCode::Buy: return "BUY";
    case OrderTypeCode::Sell: return "SELL";
    default: return nullptr;
    }
}

const char* InstructionOrderTypeText(int32_t orderModifier, bool stopToStopLimit) {
    switch (orderModifier) {
    case OrderModifierCode::Market: return "MARKET";
    case OrderModifierCode::Limit: return "LIMIT";
    case OrderModifierCode::Stop: return stopToStopLimit ? "STOPLIMIT" : "STOP";
    default: return nullptr;
    }
}

const char* InstructionTimeInForceText(int32_t orderTimeFrame) {
    switch (orderTimeFrame) {
    case TimeFrameCode::Day: return "DAY";
    case TimeFrameCode::GTC: return "GTC";
    default: return nullptr;
    }
}

std::string CancelLine(int32_t orderRefId) {
    return "CANCEL;;;;;;;;;;" + InstructionOrderId(orderRefId) + ";;";
}

std::string PlaceLine(const Order& order, const Settings& settings) {
    const auto text = [](const char* t) { return std::string(t ? t : ""); };
    const std::string price = InstructionPriceText(order.orderPrice);
    std::string line = "PLACE;";
    // NinjaTrader reads 8-bit text: the two texts go in as the system's code page holds them.
    line += plat::InstructionText(UpperCaseAscii(settings.account)) + ';';
    line += plat::InstructionText(order.symbol) + ';';
    line += text(InstructionActionText(order.orderType)) + ';';
    line += std::to_string(order.orderSize) + ';';
    line += text(InstructionOrderTypeText(order.orderModifier, settings.stopToStopLimit)) + ';';
    line += price + ';' + price + ';';
    line += text(InstructionTimeInForceText(order.orderTimeFrame)) + ';';
    line += ';';
    line += InstructionOrderId(order.orderRefId) + ";;";
    return line;
}

}  // namespace ordersrv
