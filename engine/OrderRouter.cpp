#include "engine/OrderRouter.h"

#include <memory>

#include "engine/Connection.h"
#include "engine/OrderRequestRules.h"
#include "engine/Settings.h"
#include "engine/WindowMessages.h"
#include "workers/EventQueue.h"

namespace ordersrv {

namespace {

// Retry mode of the event queue: a failed post stays queued and is tried again.
constexpr int32_t kRetryUntilPosted = 4;

}  // namespace

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

void OrderRouter::NewOrder(const HostText& Symbol, const HostText& SymExp, int32_t SymType,
                           const HostText& SymExch, int32_t OrderType, int32_t OrderTimeFrame,
                           int32_t OrderModifier, int32_t OrderSize, double OrderPrice,
                           int32_t OrderRefId) {
    connection_.NoteHostContact();
    if (!settings_.AcceptOrders) return;

    Order record;
    record.Symbol = Symbol.ToText();
    record.SymExp = SymExp.ToText();
    record.SymExch = SymExch.ToText();
    record.SymType = SymType;
    record.OrderType = OrderType;
    record.OrderTimeFrame = OrderTimeFrame;
    record.OrderModifier = OrderModifier;
    record.OrderSize = OrderSize;
    record.OrderPrice = OrderPrice;
    record.OrderRefId = OrderRefId;
    CheckNewOrder(record);

    Order* kept = orders_.With(
        [&](OrderBook& book) { return book.ItemAt(book.Add(std::move(record))); });
    const PendingAction place{PendingAction::Kind::Place, OrderRefId, kept};
    // The order book's lock is released before the queue's lock is taken.
    if (Queue(place)) PostProcessActions(0);
    window_.Post(WindowMessage::OrdersChanged, 0, 0);
}

void OrderRouter::CancelOrder(int32_t OrderRefId) {
    connection_.NoteHostContact();
    if (!settings_.AcceptOrders) return;
    CheckOrderReference(OrderRefId);
    // The reference is looked up when the drain builds the line.
    if (Queue(PendingAction{PendingAction::Kind::Cancel, OrderRefId, nullptr})) PostProcessActions(0);
}

bool OrderRouter::GetOrderStatus(int32_t OrderRefId, int32_t& Status, int32_t& FillSize,
                                 double& FillPrice) {
    connection_.NoteHostContact();
    Status = StatusCode::NoAnswer;
    if (!settings_.AcceptOrders || OrderRefId < 0) return false;
    return orders_.With([&](OrderBook& book) {
        const Order* order = book.FindByRefId(OrderRefId);
        if (!order) return false;
        Status = order->Status;
        FillSize = order->FillSize;
        FillPrice = order->FillPrice;
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
    events_.PostEvent(&window_, WindowMessage::ProcessActions, 0, 0, kRetryUntilPosted, delayMs);
}

}  // namespace ordersrv
