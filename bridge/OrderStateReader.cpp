#include "bridge/FileBridge.h"
#include "bridge/StateLine.h"
#include "engine/Engine.h"
#include "engine/WindowMessages.h"
#include "model/AsciiText.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"

namespace {

// A state word counts when the text starts at its first or second character (NinjaTrader's
// words for a partial fill carry "FILLED" further in).
bool WordStartsNear(const std::string& upperWord, const char* text) {
    const size_t at = upperWord.find(text);
    return at == 0 || at == 1;
}

// What reading one state file did, told after the order-book lock is released.
struct StateFileOutcome {
    bool changed = false;
    std::string logLine;
};

// Applies a parsed state to the record; true when the order has ended.
bool ApplyState(Order& order, const StateLine& state) {
    if (state.Quantity > 0) {
        order.Status = StatusCode::PartFilled;
        order.FillSize = state.Quantity;
        order.FillPrice = state.Price;
    }
    const std::string word = UpperCaseAscii(state.Word);
    if (WordStartsNear(word, "FILLED")) {
        order.Status = StatusCode::Filled;
        return true;
    }
    if (WordStartsNear(word, "CANCELLED")) {
        if (order.Status != StatusCode::Filled) order.Status = StatusCode::Cancelled;
        return true;
    }
    if (WordStartsNear(word, "REJECTED")) {
        if (order.Status != StatusCode::Filled) order.Status = StatusCode::Rejected;
        return true;
    }
    return false;
}

}  // namespace

void FileBridge::ReadOrderStateFile(int32_t orderRefId, const std::string& path) {
    const StateFileOutcome outcome = engine_.WithOrders([&](OrderBook& orders) {
        StateFileOutcome result;
        Order* order = orders.FindByRefId(orderRefId);
        if (!order) return result;
        const std::string name = plat::FileNamePart(path);
        std::string line;
        if (ReadFirstLine(path, line) != FirstLineRead::Line) return result;
        StateLine state;
        if (!ParseStateLine(line, state)) {
            result.logLine = "Order Status <" + name + "> Text <" + LoggedLineText(line) +
                             "> parse error";
            return result;
        }
        const int32_t status = order->Status, fillSize = order->FillSize;
        const double fillPrice = order->FillPrice;
        const bool ended = ApplyState(*order, state);
        result.changed = order->Status != status || order->FillSize != fillSize ||
                         order->FillPrice != fillPrice;
        if (result.changed) order->UpdateTime = plat::NowDateTime();
        // More filled than ordered: most likely a state file left from an earlier run whose
        // reference the host has used again. The design takes it; the trader should know.
        if (result.changed && order->FillSize > order->OrderSize)
            result.logLine = "Order Status <" + name + "> filled quantity " +
                             std::to_string(order->FillSize) + " above the order's size " +
                             std::to_string(order->OrderSize);
        if (ended) plat::RemoveFile(path);
        return result;
    });
    if (!outcome.logLine.empty()) engine_.AddLogLine(outcome.logLine);
    if (outcome.changed) engine_.PostToWindow(WindowMessage::OrdersChanged);
}
