#pragma once
// One order the host placed during the run, and what NinjaTrader's reports do to it.
#include <cstdint>
#include <string>

#include "model/OrderCodes.h"

namespace ordersrv {

struct Order {
    Order();  // received now
    explicit Order(double receivedAt);

    // What a state report from NinjaTrader ("word;filled;price") does to the order: a filled
    // quantity above 0 sets the fill and PartFilled; a word holding FILLED, CANCELLED or
    // REJECTED from its first or second character ends the order (a Filled order stays
    // Filled). Stamps UpdateTime when status, filled size or fill price changed. Returns
    // whether the order has ended.
    bool ApplyStateReport(const std::string& word, int32_t filled, double price, double now);
    // True when the last state report changed status, filled size or fill price.
    bool ChangedByLastReport() const { return changedByLastReport_; }

    // An order whose instruction file could not be written can never reach NinjaTrader: it
    // ends rejected, so the host learns it at its next status query.
    void RejectUnsent(double now);
    // Filled, cancelled or rejected: NinjaTrader will say nothing more about it.
    bool Ended() const;

    // Set by NewOrder before the record enters the order book; never changed afterwards.
    // (Texts first, then the numbers in pairs: a run keeps every order, so padding counts.)
    std::string symbol;
    std::string symExp;
    std::string symExch;
    int32_t symType = SymTypeCode::Other;
    int32_t orderType = OrderTypeCode::Buy;
    int32_t orderTimeFrame = TimeFrameCode::Day;
    int32_t orderModifier = OrderModifierCode::Market;
    int32_t orderSize = 0;
    int32_t orderRefId = -1;
    double orderPrice = 0.0;

    // What NinjaTrader last reported; changed under the order book's lock.
    int32_t status = StatusCode::Open;
    int32_t fillSize = 0;
    double fillPrice = 0.0;

    double receivedTime;      // local OLE date-time of creation
    double updateTime = 0.0;  // local OLE date-time of the last state change; 0 = none

    // How the order stands to the orders of other runs, which the journal puts back at start.
    // The file time is kept only for an order that took a reference over: a state file
    // NinjaTrader wrote before this order's instruction was staged belongs to the earlier order.
    int64_t stagedFileTime = 0;      // the staged instruction file's last-write time; 0 = none yet
    bool fromEarlierRun = false;     // put back from the journal
    bool superseded = false;         // a later run's order took its reference over
    bool tookOverReference = false;  // its reference was an earlier run's order's
    bool passedOverLogged = false;   // a state file older than its instruction was logged once

private:
    bool changedByLastReport_ = false;
};

// "Buy Lmt", "Sell Stp", "Unknown Action ???", ... for the orders view.
std::string ActionText(const Order& order);

// True for limit and stop orders, the ones whose price means something.
bool HasPrice(const Order& order);

}  // namespace ordersrv
