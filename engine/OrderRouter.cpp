#include "engine/OrderRequestRules.h"
#include "engine/Engine.h"
#include "engine/WindowMessages.h"

namespace {

// Clears the connect guard however Connect ends.
class ConnectGuardHold {
public:
    explicit ConnectGuardHold(bool& guard) : guard_(guard) { guard_ = true; }
    ~ConnectGuardHold() { guard_ = false; }
    ConnectGuardHold(const ConnectGuardHold&) = delete;
    ConnectGuardHold& operator=(const ConnectGuardHold&) = delete;

private:
    bool& guard_;
};

}  // namespace

void Engine::Connect() {
    if (connectGuard_) return;
    {
        ConnectGuardHold hold(connectGuard_);
        if (!folderPresent_) {
            if (view_) view_->RefreshStatus();
            return;
        }
        if (!connected_) {
            if (view_) view_->ControlsToSettings();  // edits on the Settings page take effect
            connected_ = true;
        }
        if (view_) view_->RefreshStatus();
    }
    // Actions queued while not connected had their drain find nothing to do; start it again.
    if (HasQueuedActions()) PostProcessActions(0);
}

void Engine::Disconnect() {
    connected_ = false;  // queued actions stay and are written after the next Connect
    if (view_) view_->RefreshStatus();
}

bool Engine::IsConnected() {
    NoteHostContact();
    return connected_;
}

void Engine::NewOrder(const HostText& Symbol, const HostText& SymExp,
                                  int32_t SymType, const HostText& SymExch, int32_t OrderType,
                                  int32_t OrderTimeFrame, int32_t OrderModifier,
                                  int32_t OrderSize, double OrderPrice, int32_t OrderRefId) {
    NoteHostContact();
    if (!settings.AcceptOrders) return;

    auto record = std::make_unique<Order>();
    record->Symbol = Symbol.ToText();
    record->SymExp = SymExp.ToText();
    record->SymExch = SymExch.ToText();
    record->SymType = SymType;
    record->OrderType = OrderType;
    record->OrderTimeFrame = OrderTimeFrame;
    record->OrderModifier = OrderModifier;
    record->OrderSize = OrderSize;
    record->OrderPrice = OrderPrice;
    record->OrderRefId = OrderRefId;
    CheckNewOrder(*record);

    PendingAction place;
    place.Kind = ActionKind::Place;
    place.OrderRefId = OrderRefId;
    place.order = record.get();
    {
        plat::LockGuard hold(ordersLock_);
        orders_.Add(std::move(record));
    }
    // The order-book lock is released before the queue's lock is taken.
    if (QueueAction(place)) PostProcessActions(0);
    PostToWindow(WindowMessage::OrdersChanged);
}

void Engine::CancelOrder(int32_t OrderRefId) {
    NoteHostContact();
    if (!settings.AcceptOrders) return;
    CheckOrderReference(OrderRefId);

    PendingAction cancel;
    cancel.Kind = ActionKind::Cancel;
    cancel.OrderRefId = OrderRefId;
    if (QueueAction(cancel)) PostProcessActions(0);
}

// FillSize and FillPrice are written only when the answer is true.
bool Engine::GetOrderStatus(int32_t OrderRefId, int32_t& Status, int32_t& FillSize,
                                        double& FillPrice) {
    NoteHostContact();
    Status = StatusCode::NoAnswer;  // what the host reads when there is no answer
    if (!settings.AcceptOrders || OrderRefId < 0) return false;

    plat::LockGuard hold(ordersLock_);
    const Order* order = orders_.FindByRefId(OrderRefId);
    if (!order) return false;
    Status = order->Status;
    FillSize = order->FillSize;
    FillPrice = order->FillPrice;
    return true;
}
