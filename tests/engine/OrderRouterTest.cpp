#include <cmath>
#include <limits>

#include "engine/EngineError.h"
#include "engine/OrderRequestRules.h"
#include "tests/engine/EngineFixture.h"

using WindowMessage::OrdersChanged;
using WindowMessage::ProcessActions;

class OrderRouterTest : public EngineFixture {};

TEST_F(OrderRouterTest, QuickOrdersQueueInCallOrderBehindOneDrainRequest) {
    ConnectWithFolder();
    Place(1);
    Place(2);
    Place(3);
    EXPECT_EQ(events.QueuedCount(), 1u);  // only the append into the empty queue posts 4040

    const auto messages = DeliveredMessages();
    EXPECT_EQ(CountOf(messages, ProcessActions), 1u);
    EXPECT_EQ(CountOf(messages, OrdersChanged), 3u);

    bool more = false;
    for (int32_t ref = 1; ref <= 3; ++ref) {
        auto action = engine.TakeNextAction(more);
        ASSERT_TRUE(action);
        EXPECT_EQ(action->Kind, ActionKind::Place);
        EXPECT_EQ(action->OrderRefId, ref);
        EXPECT_EQ(action->order, engine.WithOrders([&](OrderBook& db) {
            return db.FindByRefId(ref);
        }));
        EXPECT_EQ(more, ref < 3);
    }
    EXPECT_FALSE(engine.TakeNextAction(more));
    EXPECT_FALSE(more);

    // With the queue drained, the next request posts again; a cancel posts no 4036.
    engine.CancelOrder(2);
    const auto after = DeliveredMessages();
    EXPECT_EQ(CountOf(after, ProcessActions), 1u);
    EXPECT_EQ(CountOf(after, OrdersChanged), 0u);
    auto cancel = engine.TakeNextAction(more);
    ASSERT_TRUE(cancel);
    EXPECT_EQ(cancel->Kind, ActionKind::Cancel);
    EXPECT_EQ(cancel->OrderRefId, 2);
    EXPECT_EQ(cancel->order, nullptr);
}

TEST_F(OrderRouterTest, NewOrderIsRecordedAndAnsweredOpen) {
    engine.NewOrder(HostValue::Text("ES"), HostValue::Text("202612"), SymTypeCode::Future,
                    HostValue::Text("CME"), OrderTypeCode::Sell, TimeFrameCode::GTC,
                    OrderModifierCode::Stop, 3, 4500.25, 77);
    engine.WithOrders([](OrderBook& db) {
        ASSERT_EQ(db.Count(), 1);
        const Order& o = *db.ItemAt(0);
        EXPECT_EQ(o.Symbol, "ES");
        EXPECT_EQ(o.SymExp, "202612");
        EXPECT_EQ(o.SymExch, "CME");
        EXPECT_EQ(o.SymType, SymTypeCode::Future);
        EXPECT_EQ(o.OrderType, OrderTypeCode::Sell);
        EXPECT_EQ(o.OrderTimeFrame, TimeFrameCode::GTC);
        EXPECT_EQ(o.OrderModifier, OrderModifierCode::Stop);
        EXPECT_EQ(o.OrderSize, 3);
        EXPECT_EQ(o.OrderPrice, 4500.25);
        EXPECT_EQ(o.OrderRefId, 77);
    });

    int32_t status = -1, fillSize = -1;
    double fillPrice = -1.0;
    EXPECT_TRUE(engine.GetOrderStatus(77, status, fillSize, fillPrice));
    EXPECT_EQ(status, StatusCode::Open);
    EXPECT_EQ(fillSize, 0);
    EXPECT_EQ(fillPrice, 0.0);

    engine.WithOrders([](OrderBook& db) {
        Order* o = db.FindByRefId(77);
        o->Status = StatusCode::PartFilled;
        o->FillSize = 1;
        o->FillPrice = 4500.5;
    });
    EXPECT_TRUE(engine.GetOrderStatus(77, status, fillSize, fillPrice));
    EXPECT_EQ(status, StatusCode::PartFilled);
    EXPECT_EQ(fillSize, 1);
    EXPECT_EQ(fillPrice, 4500.5);

    // Unknown reference: Status 4, the other outputs left as they were.
    fillSize = -1;
    fillPrice = -1.0;
    EXPECT_FALSE(engine.GetOrderStatus(78, status, fillSize, fillPrice));
    EXPECT_EQ(status, StatusCode::NoAnswer);
    EXPECT_EQ(fillSize, -1);
    EXPECT_EQ(fillPrice, -1.0);
}

TEST_F(OrderRouterTest, ConnectStartsTheDrainForOrdersPlacedWhileNotConnected) {
    engine.SetFolderPresent(true);
    Place(5);
    int32_t status = -1, fillSize = -1;
    double fillPrice = -1.0;
    EXPECT_TRUE(engine.GetOrderStatus(5, status, fillSize, fillPrice));
    DeliveredMessages();  // the drain that came of it found the server not connected
    EXPECT_TRUE(engine.HasQueuedActions());

    engine.Connect();
    EXPECT_TRUE(engine.ConnectedFlag());
    EXPECT_EQ(view.controlsToSettings, 1);
    EXPECT_EQ(view.refreshes, 1);
    EXPECT_EQ(CountOf(DeliveredMessages(), ProcessActions), 1u);

    // Connecting again while connected keeps the settings and only refreshes.
    engine.Connect();
    EXPECT_EQ(view.controlsToSettings, 1);
    EXPECT_EQ(view.refreshes, 2);
}

TEST_F(OrderRouterTest, ConnectWithoutTheFolderOnlyRefreshes) {
    Place(1);
    DeliveredMessages();
    engine.Connect();
    EXPECT_FALSE(engine.ConnectedFlag());
    EXPECT_FALSE(engine.IsConnected());
    EXPECT_EQ(view.refreshes, 1);
    EXPECT_EQ(view.controlsToSettings, 0);
    EXPECT_EQ(events.QueuedCount(), 0u);
    EXPECT_TRUE(engine.HasQueuedActions());
}

TEST_F(OrderRouterTest, ConnectAndDisconnectWorkWithoutAView) {
    engine.SetView(nullptr);
    engine.Connect();
    ConnectWithFolder();
    EXPECT_TRUE(engine.IsConnected());
    engine.Disconnect();
    EXPECT_FALSE(engine.IsConnected());
}

TEST_F(OrderRouterTest, DisconnectKeepsTheQueueForTheNextConnect) {
    ConnectWithFolder();
    Place(1);
    Place(2);
    DeliveredMessages();
    engine.Disconnect();
    EXPECT_FALSE(engine.ConnectedFlag());
    EXPECT_EQ(view.refreshes, 2);
    EXPECT_TRUE(engine.HasQueuedActions());

    engine.Connect();
    EXPECT_EQ(view.controlsToSettings, 2);
    EXPECT_EQ(CountOf(DeliveredMessages(), ProcessActions), 1u);
    EXPECT_EQ(TakeAllActions().size(), 2u);
}

TEST_F(OrderRouterTest, AcceptOrdersOffChangesNothingButTheContactTime) {
    ConnectWithFolder();
    Place(9);
    TakeAllActions();
    DeliveredMessages();
    engine.settings.AcceptOrders = false;

    const double before = engine.LastHostContact();
    plat::SleepMs(20);
    Place(10);
    engine.CancelOrder(9);
    // Even requests that would be refused or fail to convert succeed unseen.
    engine.NewOrder(HostValue::Null(), HostValue::Array(), 0, HostValue::Null(), 7, 7, 7, 1,
                    std::nan(""), -3);
    engine.CancelOrder(-1);
    EXPECT_GT(engine.LastHostContact(), before);
    EXPECT_EQ(OrderCount(), 1);
    EXPECT_FALSE(engine.HasQueuedActions());
    EXPECT_TRUE(DeliveredMessages().empty());

    int32_t status = -1, fillSize = -1;
    double fillPrice = -1.0;
    EXPECT_FALSE(engine.GetOrderStatus(9, status, fillSize, fillPrice));
    EXPECT_EQ(status, StatusCode::NoAnswer);
    EXPECT_EQ(fillSize, -1);
    EXPECT_EQ(fillPrice, -1.0);
    EXPECT_TRUE(engine.IsConnected());  // the connected flag ignores AcceptOrders
}

TEST_F(OrderRouterTest, HostCallsNoteContact) {
    EXPECT_EQ(engine.LastHostContact(), 0.0);
    engine.IsConnected();
    EXPECT_GT(engine.LastHostContact(), 0.0);
}

struct RefusedOrder {
    const char* name;
    std::string symbol;
    int32_t orderType, timeFrame, modifier;
    double price;
    int32_t refId;
    std::string message;
};

TEST_F(OrderRouterTest, RequestsAnInstructionCannotCarryAreRefusedUnrecorded) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<RefusedOrder> cases = {
        {"semicolon", "ES;CANCEL", 0, 0, 1, 1.0, 1, kUnsafeSymbolText},
        {"line break", "ES\r\nPLACE", 0, 0, 1, 1.0, 1, kUnsafeSymbolText},
        {"tab", "E\tS", 0, 0, 1, 1.0, 1, kUnsafeSymbolText},
        {"negative ref", "ES", 0, 0, 1, 1.0, -1, kNegativeReferenceText},
        {"type 2", "ES", 2, 0, 1, 1.0, 1, kUnknownOrderTypeText},
        {"type -1", "ES", -1, 0, 1, 1.0, 1, kUnknownOrderTypeText},
        {"modifier 3", "ES", 0, 0, 3, 1.0, 1, kUnknownOrderModifierText},
        {"modifier -1", "ES", 0, 0, -1, 1.0, 1, kUnknownOrderModifierText},
        {"time frame 2", "ES", 0, 2, 1, 1.0, 1, kUnknownTimeFrameText},
        {"time frame -1", "ES", 0, -1, 1, 1.0, 1, kUnknownTimeFrameText},
        {"NaN", "ES", 0, 0, 1, std::nan(""), 1, kPriceNotFiniteText},
        {"+inf", "ES", 0, 0, 1, inf, 1, kPriceNotFiniteText},
        {"-inf", "ES", 0, 0, 1, -inf, 1, kPriceNotFiniteText},
    };
    for (const RefusedOrder& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            engine.NewOrder(HostValue::Text(c.symbol), HostValue::Empty(), 0,
                            HostValue::Empty(), c.orderType, c.timeFrame, c.modifier, 1,
                            c.price, c.refId);
            ADD_FAILURE() << "not refused";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.what(), c.message);
        }
    }
    EXPECT_THROW(engine.CancelOrder(-5), EngineError);
    EXPECT_EQ(OrderCount(), 0);
    EXPECT_FALSE(engine.HasQueuedActions());
    EXPECT_TRUE(DeliveredMessages().empty());

    int32_t status = -1, fillSize = -1;
    double fillPrice = -1.0;
    EXPECT_FALSE(engine.GetOrderStatus(-1, status, fillSize, fillPrice));
    EXPECT_EQ(status, StatusCode::NoAnswer);

    // Every valid code and a price of any sign still pass.
    for (int32_t type : {0, 1})
        for (int32_t frame : {0, 1})
            for (int32_t modifier : {0, 1, 2})
                engine.NewOrder(HostValue::Text("ES"), HostValue::Text("a;b"), 0,
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
            engine.NewOrder(a.symbol, a.symExp, 0, a.symExch, 0, 0, 0, 1, 1.0, -1);
            ADD_FAILURE() << "no conversion error";
        } catch (const EngineError& e) {
            EXPECT_STREQ(e.what(), kConversionErrorText);
        }
    }
    EXPECT_EQ(OrderCount(), 0);
    EXPECT_FALSE(engine.HasQueuedActions());
    EXPECT_TRUE(DeliveredMessages().empty());

    // Numbers and empty values are coerced, not refused.
    engine.NewOrder(HostValue::Integer(1234), HostValue::Real(2026.5), 0, HostValue::Empty(),
                    0, 0, 0, 1, 1.0, 4);
    engine.WithOrders([](OrderBook& db) {
        ASSERT_EQ(db.Count(), 1);
        EXPECT_EQ(db.ItemAt(0)->Symbol, "1234");
        EXPECT_EQ(db.ItemAt(0)->SymExch, "");
    });
}
