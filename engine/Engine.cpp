#include "engine/Engine.h"

#include "engine/SettingsFile.h"
#include "engine/WindowMessages.h"
#include "model/AsciiText.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"

namespace ordersrv {

Engine::Engine(plat::MessageTarget& window, EventQueue& events)
    : connection(window), log(window), router(settings, connection, orders, window, events),
      queries(settings, connection, positions), window_(window) {}

void Engine::Start(const std::string& executablePath) {
    settings.acceptOrders = true;
    settings.stopToStopLimit = false;
    settingsPath_ = SettingsFilePath(executablePath);
    LoadSettingsFile(settingsPath_, settings, [this](const std::string& line) { log.Add(line); });
    SetHomeFolder(plat::FolderPart(executablePath));
    connection.SetFolderPresent(plat::FolderExists(NinjaTraderFolder()));
    orders.With([this](OrderBook& book) {
        journal.Start(settingsPath_, book, plat::NowDateTime(),
                      [this](const std::string& line) { log.Add(line); });
        return 0;
    });
    journaledOrders_ = journal.EarlierRunOrders();
}

void Engine::JournalNewOrders() {
    std::vector<JournalRecord> records;
    orders.With([&](OrderBook& book) {
        // Copies under the lock, formatting after: hosts place orders under the same lock.
        for (; journaledOrders_ < book.Count(); ++journaledOrders_) {
            JournalRecord record;
            record.kind = JournalRecord::Kind::Accepted;
            record.seq = journaledOrders_;
            record.run = journal.Run();
            record.order = *book.ItemAt(journaledOrders_);
            record.time = record.order.receivedTime;
            records.push_back(std::move(record));
        }
        return 0;
    });
    if (records.empty() || !journal.On()) return;
    for (JournalRecord& record : records) record.account = settings.account;
    journal.Record(records);
}

void Engine::JournalState(int32_t position, const Order& order) {
    JournalRecord record;
    record.kind = JournalRecord::Kind::State;
    record.seq = position;
    record.order.orderRefId = order.orderRefId;
    record.status = order.status;
    record.filled = order.fillSize;
    record.price = order.fillPrice;
    journal.Record(record);
}

void Engine::JournalRejected(int32_t position, int32_t orderRefId, const std::string& reason) {
    JournalRecord record;
    record.kind = JournalRecord::Kind::Rejected;
    record.seq = position;
    record.order.orderRefId = orderRefId;
    record.reason = reason;
    journal.Record(record);
}

bool Engine::SaveSettings() {
    return SaveSettingsFile(settingsPath_, settings,
                            [this](const std::string& line) { log.Add(line); });
}

void Engine::Connect(const SettingsEdits& edits) {
    if (connection.FolderPresent()) {
        if (!connection.Connected()) {
            TakeSettings(edits);  // edits on the Settings page take effect
            connection.SetConnected(true);
            if (ChangeListener* listener = listener_) listener->ConnectedChanged(true);
        }
        // Actions queued while not connected had their drain find nothing to do.
        if (router.HasQueuedActions()) router.PostProcessActions(0);
    }
    Announce(WindowMessage::StatusChanged);
}

void Engine::Disconnect() {
    const bool wasConnected = connection.Connected();
    connection.SetConnected(false);  // queued actions stay and are written after the next Connect
    if (ChangeListener* listener = listener_; listener && wasConnected)
        listener->ConnectedChanged(false);
    Announce(WindowMessage::StatusChanged);
}

void Engine::TakeSettings(const SettingsEdits& edits) {
    settings.location = TrimBlanks(edits.location);
    const std::string account = TrimBlanks(edits.account);
    // The account goes into every PLACE line as one field; a ";" or a line break would let it
    // add fields or instructions of its own.
    if (IsSafeInstructionField(account))
        settings.account = account;
    else
        log.Add("Settings: account <" + account +
                "> refused: it holds a character an instruction line cannot carry");
    settings.stopToStopLimit = edits.stopToStopLimit;
}

void Engine::ReportOrderChange(const Order& order) {
    if (ChangeListener* listener = listener_)
        listener->OrderChanged(order.orderRefId, order.status, order.fillSize, order.fillPrice);
}

void Engine::ReportPositionChange(const std::string& symbol, int32_t posSize, double posCost) {
    if (ChangeListener* listener = listener_) listener->PositionChanged(symbol, posSize, posCost);
}

std::string Engine::NinjaTraderFolder() const {
    return plat::ResolvePath(homeFolder_, settings.location);
}

}  // namespace ordersrv
