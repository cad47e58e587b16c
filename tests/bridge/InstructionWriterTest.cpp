#include <functional>
#include <string>
#include <utility>

#include "bridge/InstructionLines.h"
#include "tests/support/BridgeHarness.h"

namespace ordersrv {

namespace {

Order LimitBuy(int32_t refId, double price) {
    Order order;
    order.symbol = "ABC";
    order.orderType = OrderTypeCode::Buy;
    order.orderModifier = OrderModifierCode::Limit;
    order.orderTimeFrame = TimeFrameCode::Day;
    order.orderSize = 2;
    order.orderPrice = price;
    order.orderRefId = refId;
    return order;
}

Settings AccountSettings(const std::string& account) {
    Settings settings;
    settings.account = account;
    return settings;
}

TEST(InstructionLines, PlaceAndCancelLinesToTheCharacter) {
    EXPECT_EQ(PlaceLine(LimitBuy(7, 1234.5), AccountSettings("Sim101")),
              "PLACE;SIM101;ABC;BUY;2;LIMIT;1234.500000;1234.500000;DAY;;HALVENMAR7;;");
    EXPECT_EQ(CancelLine(7), "CANCEL;;;;;;;;;;HALVENMAR7;;");
}

TEST(InstructionLines, CodesAccountSymbolAndReference) {
    Settings settings = AccountSettings("sim-101");
    Order order = LimitBuy(0, 10);
    order.symbol = "es 12-05 ";
    order.orderType = OrderTypeCode::Sell;
    order.orderTimeFrame = TimeFrameCode::GTC;
    order.orderModifier = OrderModifierCode::Stop;
    EXPECT_EQ(PlaceLine(order, settings),
              "PLACE;SIM-101;es 12-05 ;SELL;2;STOP;10.000000;10.000000;GTC;;HALVENMAR0;;");
    settings.stopToStopLimit = true;
    EXPECT_NE(PlaceLine(order, settings).find(";STOPLIMIT;"), std::string::npos);
    order.orderModifier = OrderModifierCode::Limit;
    EXPECT_NE(PlaceLine(order, settings).find(";LIMIT;"), std::string::npos);
    order.orderModifier = OrderModifierCode::Market;
    EXPECT_NE(PlaceLine(order, settings).find(";MARKET;10.000000;"), std::string::npos);
    EXPECT_EQ(InstructionOrderId(-5), "HALVENMAR-5");
}

TEST(InstructionPriceText, SixDecimalsPointAndRounding) {
    EXPECT_EQ(InstructionPriceText(0), "0.000000");
    EXPECT_EQ(InstructionPriceText(-0.25), "-0.250000");
    EXPECT_EQ(InstructionPriceText(1.0000004), "1.000000");
    EXPECT_EQ(InstructionPriceText(1.0000006), "1.000001");
    EXPECT_EQ(InstructionPriceText(0.5), "0.500000");
    EXPECT_EQ(InstructionPriceText(-0.0000001), "0.000000");
    EXPECT_EQ(InstructionPriceText(1234567.125), "1234567.125000");
}

using InstructionFileNames = testsupport::BridgeHarness;

TEST_F(InstructionFileNames, CountFromHundredPassingOverTakenNames) {
    EXPECT_EQ(writer.NextInstructionFileName(), incoming + "OIF100.TXT");
    EXPECT_EQ(writer.NextInstructionFileName(), incoming + "OIF101.TXT");
    plat::WriteWholeFile(incoming + "OIF102.TXT", "x");
    plat::WriteWholeFile(incoming + "OIF103.TXT", "x");
    EXPECT_EQ(writer.NextInstructionFileName(), incoming + "OIF104.TXT");
    EXPECT_EQ(writer.FileCounter(), 105);
}

TEST_F(InstructionFileNames, TrailingDelimiterInLocationGivesTheSamePath) {
    engine.settings.location = location + plat::kPathDelimiter;
    EXPECT_EQ(writer.NextInstructionFileName(), incoming + "OIF100.TXT");
}

using Drain = testsupport::BridgeHarness;

TEST_F(Drain, OrderPlacedWhileAScanIsBusyGoesOutBeforeTheScanEnds) {
    // The host's call arrives while the scan works through OUTGOING: here, when it logs.
    Connect();
    bool called = false;
    window.OnEachPost([&](uint32_t msg) {
        if (msg == WindowMessage::LogLinesPending && !std::exchange(called, true)) Place(9);
        return 0u;
    });
    WriteOutgoing("HALVENMAR.TXT", "");  // logs "order id error"
    scanner.Scan();
    EXPECT_EQ(IncomingFiles(), std::vector<std::string>{"OIF100.TXT"});
}

TEST_F(Drain, RelativeLocationIsFoundFromTheHomeFolderNotTheCurrentOne) {
    // As when COM starts the server: its current folder is not the executable's.
    const std::string nt = location + plat::kPathDelimiter + "nt";
    plat::MakeFolder(nt);
    plat::MakeFolder(nt + plat::kPathDelimiter + "INCOMING");
    engine.SetHomeFolder(location);
    engine.settings.location = "nt";
    Connect();
    Place(1);
    writer.Drain();
    EXPECT_TRUE(plat::FileExists(nt + plat::kPathDelimiter + "INCOMING" + plat::kPathDelimiter +
                                 "OIF100.TXT"));
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(Drain, OrdersBeforeTheDrainGoIntoOneFileInCallOrder) {
    Connect();
    Place(1);
    Place(2, {"XYZ"});
    engine.router.CancelOrder(1);
    engine.router.CancelOrder(99);  // never placed: no line
    window.TakeAll();
    writer.Drain();
    ASSERT_EQ(IncomingFiles(), std::vector<std::string>{"OIF100.TXT"});
    // The status line follows the place lines (host contact time, order count).
    EXPECT_EQ(MessagesPosted(WindowMessage::StatusChanged), 1u);
    EXPECT_EQ(ReadText(incoming + "OIF100.TXT"),
              "PLACE;SIM101;ABC;BUY;2;LIMIT;1234.500000;1234.500000;DAY;;HALVENMAR1;;\r\n"
              "PLACE;SIM101;XYZ;BUY;2;LIMIT;1234.500000;1234.500000;DAY;;HALVENMAR2;;\r\n"
              "CANCEL;;;;;;;;;;HALVENMAR1;;\r\n");
    EXPECT_FALSE(engine.router.HasQueuedActions());
    // Nothing is left behind: INCOMING holds the instruction file alone.
}

TEST_F(Drain, OrdersPlacedWhileNotConnectedGoOutWhenConnectComes) {
    events.SetClock([] { return 5000u; });
    Place(1);
    RunWindowAt(5000);  // the drain finds no connection: nothing is written, no number used
    EXPECT_TRUE(IncomingFiles().empty());
    EXPECT_EQ(writer.FileCounter(), 100);
    Connect();
    RunWindowAt(5000);
    ASSERT_EQ(IncomingFiles(), std::vector<std::string>{"OIF100.TXT"});
    EXPECT_NE(ReadText(incoming + "OIF100.TXT").find("HALVENMAR1"), std::string::npos);
}

TEST_F(Drain, EmptyDrainsUseUpANumber) {
    Connect();
    writer.Drain();  // nothing queued
    engine.router.CancelOrder(42);       // unknown reference
    writer.Drain();
    EXPECT_TRUE(IncomingFiles().empty());
    Place(1);
    writer.Drain();
    EXPECT_EQ(IncomingFiles(), std::vector<std::string>{"OIF102.TXT"});
}

TEST_F(Drain, BudgetSplitsABurstIntoTwoFiles) {
    uint32_t now = 1000;
    writer.SetTickSource([&] { return now += 150; });  // each look at the clock: 150 ms later
    for (int32_t ref = 1; ref <= 5; ++ref) Place(ref);
    Connect();
    const size_t queuedBefore = events.QueuedCount();
    writer.Drain();
    ASSERT_EQ(IncomingFiles(), std::vector<std::string>{"OIF100.TXT"});
    EXPECT_EQ(ReadText(incoming + "OIF100.TXT"),
              "PLACE;SIM101;ABC;BUY;2;LIMIT;1234.500000;1234.500000;DAY;;HALVENMAR1;;\r\n"
              "PLACE;SIM101;ABC;BUY;2;LIMIT;1234.500000;1234.500000;DAY;;HALVENMAR2;;\r\n");
    EXPECT_EQ(events.QueuedCount(), queuedBefore + 1);  // the drain asked to run again
    writer.SetDrainBudgetMs(100000);
    writer.Drain();
    EXPECT_EQ(IncomingFiles(), (std::vector<std::string>{"OIF100.TXT", "OIF101.TXT"}));
    EXPECT_NE(ReadText(incoming + "OIF101.TXT").find("HALVENMAR5"), std::string::npos);
    EXPECT_EQ(events.QueuedCount(), queuedBefore + 1);
}

TEST_F(Drain, RestOfABurstGoesOutAfterTheWindowHadATenthOfASecond) {
    uint32_t now = 1000;
    writer.SetTickSource([&] { return now += 150; });  // the first file closes after two lines
    const uint32_t clock = 5000;
    events.SetClock([&] { return clock; });
    Connect();
    for (int32_t ref = 1; ref <= 5; ++ref) Place(ref);
    RunWindowAt(clock);
    ASSERT_EQ(IncomingFiles(), std::vector<std::string>{"OIF100.TXT"});
    writer.SetDrainBudgetMs(100000);
    RunWindowAt(clock + 99);  // the window's other work comes first
    EXPECT_EQ(IncomingFiles(), std::vector<std::string>{"OIF100.TXT"});
    RunWindowAt(clock + 100);
    EXPECT_EQ(IncomingFiles(), (std::vector<std::string>{"OIF100.TXT", "OIF101.TXT"}));
}

TEST_F(Drain, ALoneOrderGoesAtOnceAndEachBurstIsGatheredIntoFewFilesInCallOrder) {
    uint32_t clock = 5000;
    writer.SetTickSource([&] { return clock; });
    events.SetClock([&] { return clock; });
    Connect();
    Place(1);
    RunWindowAt(clock);
    EXPECT_EQ(IncomingFiles(), std::vector<std::string>{"OIF100.TXT"});  // at once
    clock += 5;
    Place(2);
    Place(3);  // both before the window's turn: orders now come faster than files
    RunWindowAt(clock);
    EXPECT_EQ(IncomingFiles().size(), 2u);
    for (int32_t ref = 4; ref <= 9; ++ref) {
        clock += 5;
        Place(ref);
        RunWindowAt(clock);
    }
    EXPECT_EQ(IncomingFiles().size(), 2u);  // gathered...
    clock = 5005 + InstructionWriter::kDrainRepostDelayMs;
    RunWindowAt(clock);
    EXPECT_EQ(IncomingFiles().size(), 3u);  // ...into one file, 100 ms after the last
    const uint32_t lastDrain = clock;
    for (int32_t ref = 10; ref <= 12; ++ref) {  // the next burst, hard on its heels
        clock += 5;
        Place(ref);
        RunWindowAt(clock);
    }
    EXPECT_EQ(IncomingFiles().size(), 3u);  // gathered as well...
    clock = lastDrain + InstructionWriter::kDrainRepostDelayMs;
    RunWindowAt(clock);
    EXPECT_EQ(IncomingFiles().size(), 4u);  // ...and out 100 ms after the drain before it
    clock += 150;
    Place(13);  // after a quiet spell: at once again
    RunWindowAt(clock);
    ASSERT_EQ(IncomingFiles().size(), 5u);
    std::vector<std::string> lines = InstructionLines(), expected;
    for (int32_t ref = 1; ref <= 13; ++ref)
        expected.push_back(PlaceLine(OrderOf(ref), engine.settings));
    EXPECT_EQ(lines, expected);
}

TEST_F(Drain, DrainMessageRefusedByAFullWindowQueueIsPostedAgain) {
    const uint32_t kQueueFull = 1816;  // ERROR_NOT_ENOUGH_QUOTA: 10,000 messages waiting
    events.SetClock([] { return 5000u; });
    Connect();
    bool refused = false;
    window.OnEachPost([&](uint32_t msg) {
        return msg == WindowMessage::ProcessActions && !std::exchange(refused, true) ? kQueueFull
                                                                                    : 0u;
    });
    Place(1);
    RunWindowAt(5000);
    EXPECT_TRUE(refused);
    EXPECT_EQ(IncomingFiles(), std::vector<std::string>{"OIF100.TXT"});
}

TEST_F(Drain, BudgetHoldsAcrossTheTickWrapAround) {
    uint32_t now = 0xFFFFFF00u;
    writer.SetTickSource([&] { return now += 150; });
    for (int32_t ref = 1; ref <= 5; ++ref) Place(ref);
    Connect();
    writer.Drain();
    const std::string content = ReadText(incoming + "OIF100.TXT");
    EXPECT_NE(content.find("HALVENMAR2"), std::string::npos);
    EXPECT_EQ(content.find("HALVENMAR3"), std::string::npos);
}

// The end of the run: nothing accepted may die with the process.
using EndOfRun = testsupport::BridgeHarness;

TEST_F(EndOfRun, EveryQueuedOrderGoesOutFileAfterFileWithoutWaitingForTheGathering) {
    uint32_t clock = 5000;
    writer.SetTickSource([&] { return clock; });
    events.SetClock([&] { return clock; });
    Connect();
    for (int32_t ref = 1; ref <= 3; ++ref) Place(ref);
    RunWindowAt(clock);  // three at once: the next burst is gathered for a tenth of a second
    for (int32_t ref = 4; ref <= 50; ++ref) Place(ref);
    // Each look at the clock is a millisecond later: a file takes ten orders at most, and the
    // end's 80 ms run out long before the tenth of a second the gathering would wait.
    writer.SetTickSource([&] { return clock += 1; });
    writer.SetDrainBudgetMs(10);
    EXPECT_EQ(writer.DrainBeforeEnd(80), 0);
    EXPECT_GT(IncomingFiles().size(), 3u);
    std::vector<std::string> expected;
    for (int32_t ref = 1; ref <= 50; ++ref) expected.push_back(PlaceLine(OrderOf(ref), engine.settings));
    EXPECT_EQ(InstructionLines(), expected);  // each once, in call order
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(EndOfRun, WhatCannotGoEndsRejectedWithOneLineSayingHowMany) {
    Place(1);
    Place(2);
    engine.router.CancelOrder(1);
    EXPECT_EQ(writer.DrainBeforeEnd(), 2);  // not connected: nothing is written
    EXPECT_TRUE(IncomingFiles().empty());
    EXPECT_EQ(OrderOf(1).status, StatusCode::Rejected);
    EXPECT_EQ(OrderOf(2).status, StatusCode::Rejected);
    EXPECT_EQ(LogLines(), std::vector<std::string>{
                              "Ending with 2 orders and 1 cancel not sent to NinjaTrader: not connected"});

    // Out of time: what the first file did not take is reported the same way.
    uint32_t clock = 5000;
    writer.SetTickSource([&] { return clock += 3000; });
    Connect();
    for (int32_t ref = 3; ref <= 6; ++ref) Place(ref);
    EXPECT_EQ(writer.DrainBeforeEnd(), 3);
    EXPECT_EQ(InstructionLines(), std::vector<std::string>{PlaceLine(OrderOf(3), engine.settings)});
    EXPECT_EQ(OrderOf(6).status, StatusCode::Rejected);
    EXPECT_EQ(LogLines().back(),
              "Ending with 3 orders and 0 cancels not sent to NinjaTrader: no time was left to "
              "write them");
}

}  // namespace

}  // namespace ordersrv
