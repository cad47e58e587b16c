#include "model/Order.h"

#include "platform/DateTime.h"

Order::Order() : ReceivedTime(plat::NowDateTime()) {}

namespace {

// The direction part of the action text; nullptr for a direction outside the vocabulary.
const char* DirectionText(int32_t orderType) {
    switch (orderType) {
        case OrderTypeCode::None: return "Unknown Action";
        case OrderTypeCode::Buy: return "Buy";
        case OrderTypeCode::Sell: return "Sell";
        default: return nullptr;
    }
}

const char* KindSuffix(int32_t orderModifier) {
    switch (orderModifier) {
        case OrderModifierCode::None: return " ???";
        case OrderModifierCode::Market: return " Mkt";
        case OrderModifierCode::Limit: return " Lmt";
        case OrderModifierCode::Stop: return " Stp";
        default: return "";
    }
}

}  // namespace

std::string ActionText(const Order& order) {
    const char* direction = DirectionText(order.OrderType);
    if (direction == nullptr) return "Unknown";
    return std::string(direction) + KindSuffix(order.OrderModifier);
}

bool HasPrice(const Order& order) {
    return order.OrderModifier == OrderModifierCode::Limit ||
           order.OrderModifier == OrderModifierCode::Stop;
}
