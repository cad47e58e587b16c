#pragma once
// One line of the order journal: what happened to which order, when. A person reads the journal
// (plain text, one event per line) and the server reads it back at start, so the form is exact:
//
//   <yyyy-mm-dd hh:nn:ss.zzz> TAB <event> TAB <key>=<value> TAB <key>=<value> ...
//
// Values are written as they are, except that a control character (a tab, a line end) or "%" is
// written as "%" and two hex digits ("%09", "%0D", "%0A", "%25"), so a line never breaks and a
// field never splits. Orders are named by their journal number (`seq`), which stays theirs for
// as long as the journal keeps them: references can repeat, journal numbers cannot.
#include <cstdint>
#include <string>
#include <string_view>

#include "model/Order.h"

namespace ordersrv {

struct JournalRecord {
    enum class Kind {
        Start,      // a run began: run
        Accepted,   // a host's order: seq, run, account and every field of the order
        Sent,       // an instruction line staged for INCOMING: seq, file, staged, fileTime, line
        Published,  // the staged file is in INCOMING under its final name: staged, file
        State,      // NinjaTrader's report changed an order: seq, status, filled, price
        Rejected,   // an order that never reached NinjaTrader: seq, reason
    };

    Kind kind = Kind::Start;
    double time = 0.0;  // local OLE date-time, to the millisecond; 0 = when recorded
    int64_t seq = 0;
    int32_t run = 0;
    std::string account;
    Order order{0.0};      // Accepted: the fields the host sent (and orderRefId)
    std::string file;      // Sent: the file its line goes into; Published: the final file
    std::string staged;    // Sent, Published: the staging file in INCOMING that holds the line
    int64_t fileTime = 0;  // Sent: the staged file's last-write time as the file system keeps it
    std::string line;      // Sent: the exact instruction line
    int32_t status = 0, filled = 0;  // State
    double price = 0.0;              // State: the fill price
    std::string reason;              // Rejected
};

// The record as one journal line, with its line end.
std::string FormatJournalRecord(const JournalRecord& record);

// Reads one line (without its line end); false when it is not a complete record.
bool ParseJournalRecord(std::string_view line, JournalRecord& record);

// "yyyy-mm-dd hh:nn:ss.zzz" of a local OLE date-time, and back.
std::string JournalTimeText(double dateTime);
bool ParseJournalTime(std::string_view text, double& dateTime);

}  // namespace ordersrv
