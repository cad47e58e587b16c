#pragma once
// The order router: the host's place, cancel and status calls (host threads, several at once).
// A request is recorded in the order book and queued as a pending action; ProcessActions has the
// main thread's drain write the queue into an instruction file. Status is answered from the
// order book at once.
#include <cstdint>
#include <deque>

#include "engine/HostText.h"
#include "engine/PendingAction.h"
#include "model/OrderBook.h"
#include "platform/Guarded.h"
#include "platform/MessageTarget.h"

namespace ordersrv {

class Connection;
class EventQueue;
struct Settings;

class OrderRouter {
public:
    OrderRouter(const Settings& settings, Connection& connection, plat::Guarded<OrderBook>& orders,
                plat::MessageTarget& window, EventQueue& events);
    ~OrderRouter();  // withdraws its drain requests still queued
    OrderRouter(const OrderRouter&) = delete;
    OrderRouter& operator=(const OrderRouter&) = delete;

    bool IsConnected();  // notes host contact

    // Throw EngineError for a text that cannot be converted and for requests that would corrupt
    // an instruction (unsafe symbol, negative reference, unknown codes, a price that is no
    // number). With AcceptOrders off they change nothing but the host contact time.
    void NewOrder(const HostText& symbol, const HostText& symExp, int32_t symType,
                  const HostText& symExch, int32_t orderType, int32_t orderTimeFrame,
                  int32_t orderModifier, int32_t orderSize, double orderPrice, int32_t orderRefId);
    void CancelOrder(int32_t orderRefId);
    // The status is always written (4, NoAnswer, when there is no answer); the fill size and price
    // only when the answer is true. A negative reference answers false.
    bool GetOrderStatus(int32_t orderRefId, int32_t& status, int32_t& fillSize, double& fillPrice);

    // The pending actions, for the drain (main thread) and Connect.
    bool HasQueuedActions();
    // Takes the first action, if any, and tells in the same step whether more remain.
    bool TakeNextAction(PendingAction& action, bool& moreRemain);
    // Has ProcessActions posted through the event queue (retried until posted) after `delayMs`.
    void PostProcessActions(uint32_t delayMs);

private:
    bool Queue(const PendingAction& action);  // true when the queue was empty

    const Settings& settings_;
    Connection& connection_;
    plat::Guarded<OrderBook>& orders_;
    plat::MessageTarget& window_;
    EventQueue& events_;
    plat::Guarded<std::deque<PendingAction>> actions_;
};

}  // namespace ordersrv
