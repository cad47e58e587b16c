#include "engine/OrderRequestRules.h"

#include <cmath>

#include "engine/EngineError.h"
#include "engine/Settings.h"
#include "model/OrderRecord.h"

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
    if (orderRefId < 0) throw TEngineError(kNegativeReferenceText);
}

void CheckNewOrder(const TNTOrderServerItem& order) {
    // A ";" or a line break in the symbol would add fields or start another instruction.
    if (!IsSafeInstructionField(order.Symbol)) throw TEngineError(kUnsafeSymbolText);
    CheckOrderReference(order.OrderRefId);
    if (!IsOrderTypeCode(order.OrderType)) throw TEngineError(kUnknownOrderTypeText);
    if (!IsOrderModifierCode(order.OrderModifier)) throw TEngineError(kUnknownOrderModifierText);
    if (!IsTimeFrameCode(order.OrderTimeFrame)) throw TEngineError(kUnknownTimeFrameText);
    if (!std::isfinite(order.OrderPrice)) throw TEngineError(kPriceNotFiniteText);
}
