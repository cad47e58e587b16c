#include "model/Order.h"

#include "model/AsciiText.h"
#include "platform/DateTime.h"

namespace ordersrv {

Order::Order() : receivedTime(plat::NowDateTime()) {}

Order::Order(double receivedAt) : receivedTime(receivedAt) {}

namespace {

// A state word counts when the text starts at its first or second character (NinjaTrader's
// words for a partial fill carry "FILLED" further in).
bool WordStartsNear(const std::string& upperWord, const char* text) {
    const size_t at = upperWord.find(text);
    return at == 0 || at == 1;
}

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

bool Order::ApplyStateReport(const std::string& word, int32_t filled, double price, double now) {
    const int32_t statusBefore = status, fillSizeBefore = fillSize;
    const double fillPriceBefore = fillPrice;
    if (filled > 0) {
        status = StatusCode::PartFilled;
        fillSize = filled;
        fillPrice = price;
    }
    // A Filled order stays Filled; tested against the status the fill above left, so a
    // cancellation that comes with fills ends Cancelled with its fills kept.
    const auto endUnlessFilled = [this](int32_t ending) {
        if (status != StatusCode::Filled) status = ending;
    };
    bool ended = true;
    const std::string upper = UpperCaseAscii(word);
    if (WordStartsNear(upper, "FILLED")) {
        status = StatusCode::Filled;
    } else if (WordStartsNear(upper, "CANCELLED")) {
        endUnlessFilled(StatusCode::Cancelled);
    } else if (WordStartsNear(upper, "REJECTED")) {
        endUnlessFilled(StatusCode::Rejected);
    } else {
        ended = false;
    }
    changedByLastReport_ =
        status != statusBefore || fillSize != fillSizeBefore || fillPrice != fillPriceBefore;
    if (changedByLastReport_) updateTime = now;
    return ended;
}

void Order::RejectUnsent(double now) {
    status = StatusCode::Rejected;
    updateTime = now;
}

bool Order::Ended() const {
    return status == StatusCode::Filled || status == StatusCode::Cancelled ||
           status == StatusCode::Rejected;
}

std::string ActionText(const Order& order) {
    const char* direction = DirectionText(order.orderType);
    if (direction == nullptr) return "Unknown";
    return std::string(direction) + KindSuffix(order.orderModifier);
}

bool HasPrice(const Order& order) {
    return order.orderModifier == OrderModifierCode::Limit ||
           order.orderModifier == OrderModifierCode::Stop;
}

}  // namespace ordersrv
