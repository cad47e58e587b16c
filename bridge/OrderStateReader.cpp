#include "bridge/OrderStateReader.h"

#include "bridge/StateLine.h"
#include "engine/Engine.h"
#include "engine/WindowMessages.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"

namespace ordersrv {

namespace {

// What reading the file did, told after the order book's lock is released.
struct Outcome {
    OutgoingRead read = OutgoingRead::Taken;
    const Order* changed = nullptr;  // the order, when the report changed it
    int32_t position = -1;           // its place in the book: its journal number
    bool ended = false;              // the order ended: the file is to be deleted
    std::string logLine;
};

// An order that took its reference over from an earlier run's order hears only of files
// NinjaTrader wrote after its own instruction was staged: an older file is about the earlier
// order. Said once per order. The time the listing gave is used where it gave one.
bool WrittenBeforeItsInstruction(Order& order, const ListedFile& file, std::string& logLine) {
    if (!order.tookOverReference) return false;
    const std::string& path = file.path;
    int64_t written = file.stamp.writeTime;
    if (order.stagedFileTime != 0 && (file.stamp.known || plat::LastWriteTime(path, written)) &&
        written >= order.stagedFileTime)
        return false;
    if (!order.passedOverLogged) {
        order.passedOverLogged = true;
        logLine = "Order Status <" + plat::FileNamePart(path) + "> passed over: written before " +
                  "this run's order " + std::to_string(order.orderRefId) +
                  " was sent, it belongs to an earlier run's order of that reference";
    }
    return true;
}

}  // namespace

OutgoingRead ReadOrderStateFile(Engine& engine, int32_t orderRefId, const ListedFile& file) {
    const std::string& path = file.path;
    // The lock is held from the look-up to the update, so a host never sees half an update.
    const Outcome outcome = engine.orders.With([&](OrderBook& orders) {
        Outcome result;
        result.position = orders.FindPositionByRefId(orderRefId);
        Order* order = orders.ItemAt(result.position);
        if (!order) {
            result.read = OutgoingRead::Awaiting;
            return result;
        }
        // Passed over, it is not opened again until NinjaTrader writes it anew.
        if (WrittenBeforeItsInstruction(*order, file, result.logLine)) return result;
        std::string line;
        if (ReadFirstLine(path, line) != FirstLineRead::Line) {
            result.read = OutgoingRead::Retry;
            return result;
        }
        StateLine state;
        if (!ParseStateLine(line, state)) {
            if (!file.faultsTold)
                result.logLine = "Order Status <" + plat::FileNamePart(path) + "> Text <" +
                                 LoggedLineText(line) + "> parse error";
            return result;
        }
        const bool ended = order->ApplyStateReport(state.word, state.quantity, state.price,
                                                   plat::NowDateTime());
        if (order->ChangedByLastReport()) result.changed = order;
        // More filled than ordered: most likely a state file left from an earlier run whose
        // reference the host has used again. The design takes it; the trader should know.
        if (result.changed && order->fillSize > order->orderSize)
            result.logLine = "Order Status <" + plat::FileNamePart(path) + "> filled quantity " +
                             std::to_string(order->fillSize) + " above the order's size " +
                             std::to_string(order->orderSize);
        result.ended = ended;
        return result;
    });
    if (!outcome.logLine.empty()) engine.log.Add(outcome.logLine);
    if (outcome.changed) engine.JournalState(outcome.position, *outcome.changed);
    // The file of an ended order is NinjaTrader's only word on it: it goes once the journal
    // holds what it said, so a kill in between cannot lose a fill. A file that cannot be deleted
    // yet (its writer still has it open) is tried again.
    OutgoingRead read = outcome.read;
    if (outcome.ended) read = plat::RemoveFile(path) ? OutgoingRead::Removed : OutgoingRead::Retry;
    if (outcome.changed) {
        engine.ReportOrderChange(*outcome.changed);
        engine.Announce(WindowMessage::OrdersChanged);
    }
    return read;
}

}  // namespace ordersrv
