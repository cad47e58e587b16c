#include <cmath>
#include <functional>
#include <ostream>
#include <tuple>
#include <limits>

#include "engine/EngineError.h"
#include "engine/OrderRequestRules.h"
#include "tests/support/EngineHarness.h"

namespace ordersrv {

using WindowMessage::OrdersChanged;
using WindowMessage::ProcessActions;

class OrderRouterTest : public testsupport::EngineHarness {};

TEST_F(OrderRouterTest, QuickOrdersQueueInCallOrderBehindOneDrainRequest) {
    Connect();
    Place(1);
    Place(2);
    Place(3);
    EXPECT_EQ(events.QueuedCount(), 1u);  // only the append into the empty queue posts ProcessActions

    const auto messages = DeliveredMessages();
    EXPECT_EQ(CountOf(messages, ProcessActions), 1u);
    EXPECT_EQ(CountOf(messages, OrdersChanged), 3u);

    bool more = false;
    PendingAction action;
    for (int32_t ref = 1; ref <= 3; ++ref) {
        ASSERT_TRUE(engine.router.TakeNextAction(action, more));
        EXPECT_EQ(action.kind, PendingAction::Kind::Place);
        EXPECT_EQ(action.orderRefId, ref);
        EXPECT_EQ(action.order, engine.orders.With([&](OrderBook& db) { return db.FindByRefId(ref); }));
        EXPECT_EQ(more, ref < 3);
    }
    EXPECT_FALSE(engine.router.TakeNextAction(action, more));
    EXPECT_FALSE(more);

    // With the queue drained, the next request posts again; a cancel posts no OrdersChanged.
    engine.router.CancelOrder(2);
    const auto after = DeliveredMessages();
    EXPECT_EQ(CountOf(after, ProcessActions), 1u);
    EXPECT_EQ(CountOf(after, OrdersChanged), 0u);
    ASSERT_TRUE(engine.router.TakeNextAction(action, more));
    EXPECT_EQ(action.kind, PendingAction::Kind::Cancel);
    EXPECT_EQ(action.orderRefId, 2);
    EXPECT_EQ(action.order, nullptr);
}

TEST_F(OrderRouterTest, NewOrderIsRecordedAndAnsweredOpen) {
    engine.router.NewOrder(HostValue::Text("ES"), HostValue::Text("202612"), SymTypeCode::Future,
                    HostValue::Text("CME"), OrderTypeCode::Sell, TimeFrameCode::GTC,
                    OrderModifierCode::Stop, 3, 4500.25, 77);
    engine.orders.With([](OrderBook& db) {
        ASSERT_EQ(db.Count(), 1);
        const Order& o = *db.ItemAt(0);
        EXPECT_EQ(o.symbol, "ES");
        EXPECT_EQ(o.symExp, "202612");
        EXPECT_EQ(o.symExch, "CME");
        EXPECT_EQ(o.symType, SymTypeCode::Future);
        EXPECT_EQ(o.orderType, OrderTypeCode::Sell);
        EXPECT_EQ(o.orderTimeFrame, TimeFrameCode::GTC);
        EXPECT_EQ(o.orderModifier, OrderModifierCode::Stop);
        EXPECT_EQ(o.orderSize, 3);
        EXPECT_EQ(o.orderPrice, 4500.25);
        EXPECT_EQ(o.orderRefId, 77);
    });

    int32_t status = -1, fillSize = -1;
    double fillPrice = -1.0;
    EXPECT_TRUE(engine.router.GetOrderStatus(77, status, fillSize, fillPrice));
    EXPECT_EQ(status, StatusCode::Open);
    EXPECT_EQ(fillSize, 0);
    EXPECT_EQ(fillPrice, 0.0);

    engine.orders.With([](OrderBook& db) {
        Order* o = db.FindByRefId(77);
        o->status = StatusCode::PartFilled;
        o->fillSize = 1;
        o->fillPrice = 4500.5;
    });
    EXPECT_TRUE(engine.router.GetOrderStatus(77, status, fillSize, fillPrice));
    EXPECT_EQ(status, StatusCode::PartFilled);
    EXPECT_EQ(fillSize, 1);
    EXPECT_EQ(fillPrice, 4500.5);

    // Unknown reference: Status 4, the other outputs left as they were.
    fillSize = -1;
    fillPrice = -1.0;
    EXPECT_FALSE(engine.router.GetOrderStatus(78, status, fillSize, fillPrice));
    EXPECT_EQ(status, StatusCode::NoAnswer);
    EXPECT_EQ(fillSize, -1);
    EXPECT_EQ(fillPrice, -1.0);
}

TEST_F(OrderRouterTest, ConnectTakesTheSettingsPageOnlyWhenItConnects) {
    engine.connection.SetFolderPresent(true);
    engine.Connect({" c:\\nt8 ", "\tSim102 ", true});
    EXPECT_TRUE(engine.connection.Connected());
    EXPECT_EQ(engine.settings.location, "c:\\nt8");
    EXPECT_EQ(engine.settings.account, "Sim102");
    EXPECT_TRUE(engine.settings.stopToStopLimit);
    // Connecting again while connected changes nothing the page holds.
    engine.Connect({"elsewhere", "OTHER", false});
    EXPECT_EQ(engine.settings.location, "c:\\nt8");
    EXPECT_EQ(CountOf(DeliveredMessages(), WindowMessage::StatusChanged), 2u);
    EXPECT_EQ(heard.Take(), std::vector<std::string>{"ConnectedChanged 1"});  // once
}

TEST_F(OrderRouterTest, ConnectWithoutTheFolderChangesNothingButTheStatusLine) {
    Place(1);
    DeliveredMessages();
    engine.settings.location = "kept";
    engine.Connect({"taken", "TAKEN", true});
    EXPECT_FALSE(engine.connection.Connected());
    EXPECT_FALSE(engine.router.IsConnected());
    EXPECT_EQ(engine.settings.location, "kept");
    const auto messages = DeliveredMessages();
    EXPECT_EQ(CountOf(messages, WindowMessage::StatusChanged), 1u);
    EXPECT_EQ(CountOf(messages, ProcessActions), 0u);
    EXPECT_TRUE(engine.router.HasQueuedActions());
    EXPECT_TRUE(heard.Take().empty());
}

TEST_F(OrderRouterTest, DisconnectKeepsTheQueueAndTheNextConnectTakesThePageAgain) {
    Connect();
    Place(1);
    Place(2);
    DeliveredMessages();
    heard.Take();
    engine.Disconnect();
    engine.Disconnect();  // no longer connected: nothing to tell
    EXPECT_FALSE(engine.connection.Connected());
    EXPECT_EQ(CountOf(DeliveredMessages(), WindowMessage::StatusChanged), 2u);
    EXPECT_TRUE(engine.router.HasQueuedActions());
    EXPECT_EQ(heard.Take(), std::vector<std::string>{"ConnectedChanged 0"});

    engine.Connect({"again", "SIM103", false});
    EXPECT_EQ(engine.settings.account, "SIM103");
    EXPECT_EQ(CountOf(DeliveredMessages(), ProcessActions), 1u);
}

TEST_F(OrderRouterTest, AcceptOrdersOffChangesNothing) {
    Connect();
    Place(9);
    PendingAction taken;
    for (bool more = true; more && engine.router.TakeNextAction(taken, more);) {
    }
    DeliveredMessages();
    engine.settings.acceptOrders = false;

    Place(10);
    engine.router.CancelOrder(9);
    // Even requests that would be refused or fail to convert succeed unseen.
    engine.router.NewOrder(HostValue::Null(), HostValue::Array(), 0, HostValue::Null(), 7, 7, 7, 1,
                    std::nan(""), -3);
    engine.router.CancelOrder(-1);
    EXPECT_EQ(OrderCount(), 1);
    EXPECT_FALSE(engine.router.HasQueuedActions());
    // The host's call itself still counts as contact: only the status line hears of it.
    for (const auto& message : DeliveredMessages())
        EXPECT_EQ(message, WindowMessage::StatusChanged);

    int32_t status = -1, fillSize = -1;
    double fillPrice = -1.0;
    EXPECT_FALSE(engine.router.GetOrderStatus(9, status, fillSize, fillPrice));
    EXPECT_EQ(status, StatusCode::NoAnswer);
    EXPECT_EQ(fillSize, -1);
    EXPECT_EQ(fillPrice, -1.0);
    EXPECT_TRUE(engine.router.IsConnected());  // the connected flag ignores AcceptOrders
}

// Which host calls move the contact time the status line shows, whether or not orders are
// accepted and even when the call then fails: noting contact is their first step.
struct HostCall {
    const char* name;
    std::function<void(Engine&)> call;
    bool notesContact;
};

void PrintTo(const HostCall& call, std::ostream* out) { *out << call.name; }

class HostContact : public testsupport::EngineHarness,
                    public ::testing::WithParamInterface<std::tuple<HostCall, bool>> {};

TEST_P(HostContact, IsNotedByTheCallsThatNoteIt) {
    const HostCall& host = std::get<0>(GetParam());
    engine.settings.acceptOrders = std::get<1>(GetParam());
    ASSERT_EQ(engine.connection.LastHostContact(), 0.0);
    try {
        host.call(engine);
    } catch (const EngineError&) {
        // a refused request still counts as contact
    }
    EXPECT_EQ(engine.connection.LastHostContact() != 0.0, host.notesContact);
}

const HostCall kHostCalls[] = {
    {"IsConnected", [](Engine& e) { e.router.IsConnected(); }, true},
    {"NewOrder",
     [](Engine& e) {
         e.router.NewOrder(HostValue::Text("ES"), HostValue::Empty(), 0, HostValue::Empty(), 0, 0,
                           0, 1, 0.0, 1);
     },
     true},
    {"NewOrderRefused",
     [](Engine& e) {
         e.router.NewOrder(HostValue::Null(), HostValue::Empty(), 0, HostValue::Empty(), 0, 0, 0,
                           1, 0.0, 1);
     },
     true},
    {"CancelOrder", [](Engine& e) { e.router.CancelOrder(1); }, true},
    {"CancelOrderRefused", [](Engine& e) { e.router.CancelOrder(-1); }, true},
    {"GetOrderStatus",
     [](Engine& e) {
         int32_t status = 0, size = 0;
         double price = 0;
         e.router.GetOrderStatus(1, status, size, price);
     },
     true},
    {"GetPositionSize",
     [](Engine& e) {
         int32_t size = 0;
         e.queries.GetPositionSize(HostValue::Text("ES"), HostValue::Empty(), 0,
                                   HostValue::Empty(), size);
     },
     true},
    {"GetPositionInfo",
     [](Engine& e) {
         int32_t size = 0;
         double cost = 0;
         e.queries.GetPositionInfo(HostValue::Text("ES"), HostValue::Empty(), 0,
                                   HostValue::Empty(), size, cost);
     },
     true},
    {"GetAllPositionSpec",
     [](Engine& e) {
         std::vector<PositionSpec> all;
         e.queries.GetAllPositionSpec(all);
     },
     false},
    {"GetAccountInfo", [](Engine& e) { e.queries.GetAccountInfo(); }, false},
};

INSTANTIATE_TEST_SUITE_P(EveryHostCall, HostContact,
                         ::testing::Combine(::testing::ValuesIn(kHostCalls), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "" : "WhileOrdersAreNotAccepted");
                         });

// A request no instruction line could carry: refused with its message before anything is
// recorded, queued or posted.
struct RefusedOrder {
    const char* label;
    std::string symbol;
    int32_t orderType, timeFrame, modifier;
    double price;
    int32_t refId;
    std::string message;
};

void PrintTo(const RefusedOrder& order, std::ostream* out) { *out << order.label; }

class RefusedOrders : public testsupport::EngineHarness,
                      public ::testing::WithParamInterface<RefusedOrder> {};

TEST_P(RefusedOrders, AreRefusedUnrecorded) {
    const RefusedOrder& c = GetParam();
    try {
        engine.router.NewOrder(HostValue::Text(c.symbol), HostValue::Empty(), 0, HostValue::Empty(),
                               c.orderType, c.timeFrame, c.modifier, 1, c.price, c.refId);
        ADD_FAILURE() << "not refused";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.what(), c.message);
    }
    EXPECT_EQ(OrderCount(), 0);
    EXPECT_FALSE(engine.router.HasQueuedActions());
    // The host's call itself still counts as contact: only the status line hears of it.
    for (const auto& message : DeliveredMessages())
        EXPECT_EQ(message, WindowMessage::StatusChanged);
}

constexpr double kInfinity = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    RequestsAnInstructionCannotCarry, RefusedOrders,
    ::testing::Values(
        RefusedOrder{"Semicolon", "ES;CANCEL", 0, 0, 1, 1.0, 1, kUnsafeSymbolText},
        RefusedOrder{"LineBreak", "ES\r\nPLACE", 0, 0, 1, 1.0, 1, kUnsafeSymbolText},
        RefusedOrder{"Tab", "E\tS", 0, 0, 1, 1.0, 1, kUnsafeSymbolText},
        RefusedOrder{"NegativeReference", "ES", 0, 0, 1, 1.0, -1, kNegativeReferenceText},
        RefusedOrder{"Type2", "ES", 2, 0, 1, 1.0, 1, kUnknownOrderTypeText},
        RefusedOrder{"TypeMinus1", "ES", -1, 0, 1, 1.0, 1, kUnknownOrderTypeText},
        RefusedOrder{"Modifier3", "ES", 0, 0, 3, 1.0, 1, kUnknownOrderModifierText},
        RefusedOrder{"ModifierMinus1", "ES", 0, 0, -1, 1.0, 1, kUnknownOrderModifierText},
        RefusedOrder{"TimeFrame2", "ES", 0, 2, 1, 1.0, 1, kUnknownTimeFrameText},
        RefusedOrder{"TimeFrameMinus1", "ES", 0, -1, 1, 1.0, 1, kUnknownTimeFrameText},
        RefusedOrder{"NotANumber", "ES", 0, 0, 1, std::nan(""), 1, kPriceNotFiniteText},
        RefusedOrder{"PlusInfinity", "ES", 0, 0, 1, kInfinity, 1, kPriceNotFiniteText},
        RefusedOrder{"MinusInfinity", "ES", 0, 0, 1, -kInfinity, 1, kPriceNotFiniteText}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(OrderRouterTest, NegativeReferencesAreRefusedOrAnsweredWithNothing) {
    EXPECT_THROW(engine.router.CancelOrder(-5), EngineError);
    EXPECT_FALSE(engine.router.HasQueuedActions());
    int32_t status = -1, fillSize = -1;
    double fillPrice = -1.0;
    EXPECT_FALSE(engine.router.GetOrderStatus(-1, status, fillSize, fillPrice));
    EXPECT_EQ(status, StatusCode::NoAnswer);
}

TEST_F(OrderRouterTest, EveryValidCodeAndAPriceOfAnySignPass) {
    for (int32_t type : {0, 1})
        for (int32_t frame : {0, 1})
            for (int32_t modifier : {0, 1, 2})
                engine.router.NewOrder(HostValue::Text("ES"), HostValue::Text("a;b"), 0,
                                       HostValue::Text("x;y"), type, frame, modifier, 1, -0.25, 0);
    EXPECT_EQ(OrderCount(), 12);
}

TEST_F(OrderRouterTest, ConversionErrorRecordsNothing) {
    const HostValue ok = HostValue::Text("ES");
    const HostValue null = HostValue::Null();
    const HostValue array = HostValue::Array();
    struct Args {
        const HostText& symbol;
        const HostText& symExp;
        const HostText& symExch;
    };
    // The conversion error comes before the refusals: the reference here is negative too.
    for (const Args& a : {Args{null, ok, ok}, Args{ok, array, ok}, Args{ok, ok, null}}) {
        try {
            engine.router.NewOrder(a.symbol, a.symExp, 0, a.symExch, 0, 0, 0, 1, 1.0, -1);
            ADD_FAILURE() << "no conversion error";
        } catch (const EngineError& e) {
            EXPECT_STREQ(e.what(), kConversionErrorText);
        }
    }
    EXPECT_EQ(OrderCount(), 0);
    EXPECT_FALSE(engine.router.HasQueuedActions());
    // The host's call itself still counts as contact: only the status line hears of it.
    for (const auto& message : DeliveredMessages())
        EXPECT_EQ(message, WindowMessage::StatusChanged);

    // Numbers and empty values are coerced, not refused.
    engine.router.NewOrder(HostValue::Integer(1234), HostValue::Real(2026.5), 0, HostValue::Empty(),
                    0, 0, 0, 1, 1.0, 4);
    engine.orders.With([](OrderBook& db) {
        ASSERT_EQ(db.Count(), 1);
        EXPECT_EQ(db.ItemAt(0)->symbol, "1234");
        EXPECT_EQ(db.ItemAt(0)->symExch, "");
    });
}

}  // namespace ordersrv
