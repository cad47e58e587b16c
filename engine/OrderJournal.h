#pragma once
// The order journal: one append-only text file in which the server writes what happened to
// every order (accepted, its instruction line staged and published into INCOMING, each state
// NinjaTrader reported, rejected as never sent), so that orders outlive the process and a
// disputed trade has a trail. At start it is read back: the orders of earlier runs that have not
// ended (and those that ended within the last week) return to the order book, and the journal
// is rewritten with only what recovery keeps. Main thread only, never inside a host's call.
//
// A journal that cannot be written costs no order: the journal goes off for the rest of the
// run, once said in the log, and orders flow as before.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/JournalRecord.h"
#include "model/OrderBook.h"
#include "platform/AppendFile.h"

namespace ordersrv {

class OrderJournal {
public:
    static constexpr double kKeepEndedDays = 7.0;
    static constexpr const char* kFileSuffix = "-JOURNAL.TXT";
    static constexpr const char* kLocalFolderName = "OrderServer";
    static constexpr int kOpenAttempts = 20;  // a journal held by another program: tried 2 s
    static constexpr uint32_t kOpenRetryMs = 100;

    using Log = std::function<void(const std::string&)>;

    // Beside the settings file: its name less ".INI" and the suffix ("ORDERSRV-JOURNAL.TXT").
    static std::string PathBeside(const std::string& settingsPath);

    // The start of a run, before any host call: chooses where the journal lives (beside the
    // settings file when that folder takes it, otherwise the user's local data folder under the
    // server's name), puts the orders of earlier runs back into `book` (empty, its lock held),
    // compacts the journal and opens it for this run. Never fails; what goes wrong is logged.
    void Start(const std::string& settingsPath, OrderBook& book, double now, const Log& log);

    bool On() const { return file_.IsOpen(); }
    bool TurnedOff() const { return off_; }  // it was on, or meant to be, and failed
    const std::string& Path() const { return path_; }
    int32_t Run() const { return run_; }
    // Orders of earlier runs put back at start: the book's positions below this.
    int32_t EarlierRunOrders() const { return earlierRunOrders_; }

    // Appends one record (timed now unless it has a time); false once the journal is off.
    bool Record(JournalRecord record);
    // Appends several records as one write.
    bool Record(const std::vector<JournalRecord>& records);
    // Everything recorded so far is on the disk: what must precede an instruction file's
    // publication.
    bool Sync();

    // The local date-time records are stamped with (now, by default); tests set their own.
    void SetClock(std::function<double()> now) { now_ = std::move(now); }

private:
    void TurnOff(const std::string& why);
    bool OpenForRun(const std::string& path, const std::string& content);

    std::string path_;
    plat::AppendFile file_;
    int32_t run_ = 1;
    int32_t earlierRunOrders_ = 0;
    bool off_ = false;
    Log log_;
    std::function<double()> now_;
};

}  // namespace ordersrv
