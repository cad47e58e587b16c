#pragma once
// The engine of the order server: order router, position and account queries, and the state
// they share (books, action queue, log lines, connection flags, settings). A plain class the
// main window owns; tests build it without any window.
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "engine/PendingAction.h"
#include "engine/HostText.h"
#include "engine/Settings.h"
#include "model/OrderBook.h"
#include "model/PositionBook.h"
#include "platform/MessageTarget.h"
#include "platform/ReentrantLock.h"

class EventQueue;

// What the engine asks of the window that owns it (main thread only).
class EngineView {
public:
    virtual ~EngineView() = default;
    virtual void ControlsToSettings() = 0;  // the Settings page's edits take effect
    virtual void RefreshStatus() = 0;       // status line, counters, tray icon
};

// One row of GetAllPositionSpec.
struct PositionSpec {
    std::string Symbol;
    std::string SymExp;
    std::string SymExch;
    int32_t SymType = 0;
};

class Engine {
public:
    static constexpr size_t kMaxLogLines = 100000;  // oldest lines go beyond this

    Engine(plat::MessageTarget& window, EventQueue& events);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    void SetView(EngineView* view) { view_ = view; }
    EngineView* View() const { return view_; }
    plat::MessageTarget& Window() const { return window_; }

    // Location, Account and StopToStopLimit are touched on the main thread only;
    // AcceptOrders is also read by host threads.
    Settings settings;

    // The folder a relative Location is taken from: the executable's, so that a server COM
    // starts (in the system's folder) finds the same NinjaTrader folder as one started by hand.
    void SetHomeFolder(const std::string& folder) { homeFolder_ = folder; }
    // Location as a path to use (main thread).
    std::string NinjaTraderFolder() const;

    // Takes the Settings page's values: texts trimmed; an account that could corrupt an
    // instruction line is refused with a log line and the previous value stays.
    void TakeSettingsFromControls(const std::string& location, const std::string& account,
                                  bool stopToStopLimit);

    // ---- Order router -------------------------------------------------------------------
    void Connect();     // main thread
    void Disconnect();  // main thread
    bool IsConnected();  // host threads; notes host contact

    // Host threads. Throws EngineError for a text that cannot be converted and for requests
    // that would corrupt an instruction (unsafe symbol, negative reference, unknown codes).
    void NewOrder(const HostText& Symbol, const HostText& SymExp, int32_t SymType,
                  const HostText& SymExch, int32_t OrderType, int32_t OrderTimeFrame,
                  int32_t OrderModifier, int32_t OrderSize, double OrderPrice,
                  int32_t OrderRefId);
    void CancelOrder(int32_t OrderRefId);
    // Status is always written (4 when there is no answer); FillSize and FillPrice only when
    // the answer is true. A negative reference answers false.
    bool GetOrderStatus(int32_t OrderRefId, int32_t& Status, int32_t& FillSize,
                        double& FillPrice);

    void NoteHostContact();
    bool HasQueuedActions();
    // Removes the first action (null when none) and tells, in the same step, whether more remain.
    std::unique_ptr<PendingAction> TakeNextAction(bool& moreRemain);

    void AddLogLine(const std::string& text);  // any thread

    // ---- Position and account queries (host threads) ------------------------------------
    // Found by the symbol alone; a text that cannot be converted counts as empty. With
    // AcceptOrders off: false, outputs not written; otherwise a position not found or not yet
    // reported answers false with size 0 and cost 0.
    bool GetPositionSize(const HostText& ASymbol, const HostText& SymExp, int32_t SymType,
                         const HostText& SymExch, int32_t& PosSize);
    bool GetPositionInfo(const HostText& ASymbol, const HostText& SymExp, int32_t SymType,
                         const HostText& SymExch, int32_t& PosSize, double& PosCost);
    // Every position, oldest first; false and empty when there is none.
    bool GetAllPositionSpec(std::vector<PositionSpec>& positions);
    bool GetAccountInfo();

    // ---- State --------------------------------------------------------------------------
    bool ConnectedFlag() const { return connected_; }  // without noting host contact
    bool FolderPresent() const { return folderPresent_; }
    void SetFolderPresent(bool present) { folderPresent_ = present; }
    double LastHostContact() const { return lastHostContact_; }

    // The books, each under its engine lock for the duration of `use`.
    template <class F>
    auto WithOrders(F&& use) {
        plat::LockGuard hold(ordersLock_);
        return use(orders_);
    }
    template <class F>
    auto WithPositions(F&& use) {
        plat::LockGuard hold(positionsLock_);
        return use(positions_);
    }

    size_t LogLineCount() const;
    bool LogLine(size_t index, std::string& line) const;  // false past the end

    // ---- Posting ------------------------------------------------------------------------
    void PostToWindow(uint32_t msg);               // direct post; the result is not looked at
    void PostProcessActions(uint32_t delayMs);     // 4040 through the event queue, mode 4

private:
    bool QueueAction(const PendingAction& action);  // true when the queue was empty

    plat::MessageTarget& window_;
    EventQueue& events_;
    EngineView* view_ = nullptr;
    std::string homeFolder_;

    std::atomic<bool> connected_{false};
    std::atomic<bool> folderPresent_{false};
    std::atomic<double> lastHostContact_{0.0};
    bool connectGuard_ = false;

    plat::ReentrantLock ordersLock_;
    OrderBook orders_;
    plat::ReentrantLock positionsLock_;
    PositionBook positions_;
    plat::ReentrantLock actionsLock_;
    std::deque<std::unique_ptr<PendingAction>> actions_;
    mutable plat::ReentrantLock logLock_;
    std::deque<std::string> logLines_;
};
