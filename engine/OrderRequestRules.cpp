#include "engine/OrderRequestRules.h"

#include <cmath>

#include "engine/EngineError.h"
#include "engine/Settings.h"
#include "model/Order.h"

namespace ordersrv {

namespace {

bool IsOrderTypeCode(int32_t code) {
    return code == OrderTypeCode::Buy || code == OrderTypeCode::Sell;
}

bool IsOrderModifierCode(int32_t code) {
    return code == OrderModifierCode::Market || code == OrderModifierCode::Limit ||
           code == OrderModifierCode::Stop;
}

bool IsTimeFrameCode(int32_t code) {
    return code == TimeFrameCode::Day || code == TimeFrameCode::GTC;
}

}  // namespace

void CheckOrderReference(int32_t orderRefId) {
    if (orderRefId < 0) throw EngineError(kNegativeReferenceText);
}

void CheckNewOrder(const Order& order) {
    // A ";" or a line break in the symbol would add fields or start another instruction.
    if (!IsSafeInstructionField(order.symbol)) throw EngineError(kUnsafeSymbolText);
    CheckOrderReference(order.orderRefId);
    if (!IsOrderTypeCode(order.orderType)) throw EngineError(kUnknownOrderTypeText);
    if (!IsOrderModifierCode(order.orderModifier)) throw EngineError(kUnknownOrderModifierText);
    if (!IsTimeFrameCode(order.orderTimeFrame)) throw EngineError(kUnknownTimeFrameText);
    if (!std::isfinite(order.orderPrice)) throw EngineError(kPriceNotFiniteText);
}

}  // namespace ordersrv
