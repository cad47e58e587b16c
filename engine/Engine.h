#pragma once
// The engine of the order server: the settings, the books, the connection state, the event log,
// the order router and the position queries, wired together. A plain object: built without any
// window, it reports what changed as messages to its message target (the main window), which
// pulls what it shows.
#include <atomic>
#include <string>

#include "engine/ChangeListener.h"

#include "engine/Connection.h"
#include "engine/EventLog.h"
#include "engine/OrderJournal.h"
#include "engine/OrderRouter.h"
#include "engine/PositionQueries.h"
#include "engine/Settings.h"
#include "model/OrderBook.h"
#include "model/PositionBook.h"
#include "platform/Guarded.h"
#include "platform/MessageTarget.h"

namespace ordersrv {

class EventQueue;

class Engine {
public:
    Engine(plat::MessageTarget& window, EventQueue& events);
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Location, Account and StopToStopLimit are read and written on the main thread only;
    // AcceptOrders is also read by host threads.
    Settings settings;
    Connection connection;
    EventLog log;
    plat::Guarded<OrderBook> orders;
    plat::Guarded<PositionBook> positions;
    OrderRouter router;
    PositionQueries queries;
    OrderJournal journal;  // main thread only

    // Start of the run (main thread), before any host call: the settings from the file beside
    // the executable, or their defaults; the executable's folder as home; the one test whether
    // the NinjaTrader folder exists, which decides whether the server can ever connect; and the
    // orders of earlier runs back from the journal.
    void Start(const std::string& executablePath);

    // Main thread. Writes the "accepted" record of every order the hosts placed since the last
    // call: before its line is staged, and at least at every scan, so that an order accepted
    // while not connected is in the journal too.
    void JournalNewOrders();
    // A state report changed the order at `position`; and one never sent ends rejected.
    void JournalState(int32_t position, const Order& order);
    void JournalRejected(int32_t position, int32_t orderRefId, const std::string& reason);
    // Writes the settings file beside the executable, replacing it only when the new one is
    // complete; when it cannot, the previous file stays and a log line says so.
    bool SaveSettings();

    // Main thread. Connect takes the Settings page's values (the first time it connects) and,
    // when actions wait in the queue, starts the drain; without the NinjaTrader folder it
    // changes nothing. Disconnect keeps the queued actions for the next Connect.
    void Connect(const SettingsEdits& edits);
    void Disconnect();

    // The Settings page's values become the settings: texts trimmed; an account that could
    // corrupt an instruction line is refused with a log line and the previous one stays.
    void TakeSettings(const SettingsEdits& edits);

    // The folder a relative Location is taken from: the executable's, so that a server COM
    // starts (in the system's folder) finds the same NinjaTrader folder as one started by hand.
    void SetHomeFolder(const std::string& folder) { homeFolder_ = folder; }
    std::string NinjaTraderFolder() const;  // Location as a path to use (main thread)

    // Tells the window that something it shows changed (a WindowMessage).
    void Announce(uint32_t msg) { window_.Post(msg, 0, 0); }

    // Who hears of each order, position and connection change besides the window (the hosts'
    // event subscriptions); none by default. Set before host calls come in, cleared before the
    // listener goes.
    void SetChangeListener(ChangeListener* listener) { listener_ = listener; }
    // Main thread (the only one that changes orders), after the order book's lock is released.
    void ReportOrderChange(const Order& order);
    void ReportPositionChange(const std::string& symbol, int32_t posSize, double posCost);

private:
    plat::MessageTarget& window_;
    std::atomic<ChangeListener*> listener_{nullptr};
    std::string homeFolder_;
    std::string settingsPath_;
    int32_t journaledOrders_ = 0;  // orders up to this position have their "accepted" record
};

}  // namespace ordersrv
