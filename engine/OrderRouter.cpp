#include "engine/OrderRouter.h"

#include <memory>

#include "engine/Connection.h"
#include "engine/OrderRequestRules.h"
#include "engine/Settings.h"
#include "engine/WindowMessages.h"
#include "workers/EventQueue.h"

namespace ordersrv {

OrderRouter::OrderRouter(const Settings& settings, Connection& connection,
                         plat::Guarded<OrderBook>& orders, plat::MessageTarget& window,
                         EventQueue& events)
    : settings_(settings), connection_(connection), orders_(orders), window_(window),
      events_(events) {}

// The event queue outlives the router: nothing of it may reach the window once the router is gone.
OrderRouter::~OrderRouter() { events_.Withdraw(&window_); }

bool OrderRouter::IsConnected() {
    connection_.NoteHostContact();
    return connection_.Connected();
}

void OrderRouter::NewOrder(const HostText& symbol, const HostText& symExp, int32_t symType,
                           const HostText& symExch, int32_t orderType, int32_t orderTimeFrame,
                           int32_t orderModifier, int32_t orderSize, double orderPrice,
                           int32_t orderRefId) {
    connection_.NoteHostContact();
    if (!settings_.acceptOrders) return;

    Order record;
    record.symbol = symbol.ToText();
    record.symExp = symExp.ToText();
    record.symExch = symExch.ToText();
    record.symType = symType;
    record.orderType = orderType;
    record.orderTimeFrame = orderTimeFrame;
    record.orderModifier = orderModifier;
    record.orderSize = orderSize;
    record.orderPrice = orderPrice;
    record.orderRefId = orderRefId;
    CheckNewOrder(record);

    const PendingAction place = orders_.With([&](OrderBook& book) {
        // A reference that belonged to an earlier run's order is this order's from now on;
        // within one run the first order keeps it, as always.
        Order* holder = book.FindByRefId(orderRefId);
        const bool takeOver = holder && holder->fromEarlierRun;
        if (takeOver) {
            holder->superseded = true;
            record.tookOverReference = true;
        }
        const int32_t position = book.Add(std::move(record), takeOver);
        return PendingAction{PendingAction::Kind::Place, orderRefId, book.ItemAt(position), position};
    });
    // The order book's lock is released before the queue's lock is taken.
    if (Queue(place)) PostProcessActions(0);
    window_.Post(WindowMessage::OrdersChanged, 0, 0);
}

void OrderRouter::CancelOrder(int32_t orderRefId) {
    connection_.NoteHostContact();
    if (!settings_.acceptOrders) return;
    CheckOrderReference(orderRefId);
    // The reference is looked up when the drain builds the line.
    if (Queue(PendingAction{PendingAction::Kind::Cancel, orderRefId, nullptr})) PostProcessActions(0);
}

bool OrderRouter::GetOrderStatus(int32_t orderRefId, int32_t& status, int32_t& fillSize,
                                 double& fillPrice) {
    connection_.NoteHostContact();
    status = StatusCode::NoAnswer;
    if (!settings_.acceptOrders || orderRefId < 0) return false;
    return orders_.With([&](OrderBook& book) {
        const Order* order = book.FindByRefId(orderRefId);
        if (!order) return false;
        status = order->status;
        fillSize = order->fillSize;
        fillPrice = order->fillPrice;
        return true;
    });
}

bool OrderRouter::Queue(const PendingAction& action) {
    return actions_.With([&](std::deque<PendingAction>& queue) {
        queue.push_back(action);
        return queue.size() == 1;
    });
}

bool OrderRouter::HasQueuedActions() {
    return actions_.With([](std::deque<PendingAction>& queue) { return !queue.empty(); });
}

bool OrderRouter::TakeNextAction(PendingAction& action, bool& moreRemain) {
    // Taking and testing under one holding of the lock: a request appended right after this
    // either sees an empty queue and posts a drain, or is taken by the drain that re-posts.
    return actions_.With([&](std::deque<PendingAction>& queue) {
        const bool taken = !queue.empty();
        if (taken) {
            action = queue.front();
            queue.pop_front();
        }
        moreRemain = !queue.empty();
        return taken;
    });
}

void OrderRouter::PostProcessActions(uint32_t delayMs) {
    events_.PostEvent(&window_, WindowMessage::ProcessActions, 0, 0, RetryMode::UntilPosted, delayMs);
}

}  // namespace ordersrv
