#pragma once
// One order the host placed during the run, and what NinjaTrader's reports do to it.
#include <cstdint>
#include <string>

#include "model/OrderCodes.h"

namespace ordersrv {

struct Order {
    Order();  // ReceivedTime = now

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

private:
    bool changedByLastReport_ = false;
};

// "Buy Lmt", "Sell Stp", "Unknown Action ???", ... for the orders view.
std::string ActionText(const Order& order);

// True for limit and stop orders, the ones whose price means something.
bool HasPrice(const Order& order);

}  // namespace ordersrv
