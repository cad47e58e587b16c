#include "bridge/OrderStateReader.h"
#include "tests/support/BridgeHarness.h"

namespace ordersrv {

namespace {

class OrderStateReader : public testsupport::BridgeHarness {
protected:
    OrderStateReader() { Place(7); }

    // Writes the state file of order 7 and reads it; true when the file is still there.
    bool Apply(const std::string& content) {
        const std::string path = outgoing + "HALVENMAR7.TXT";
        EXPECT_TRUE(plat::WriteWholeFile(path, content));
        ReadOrderStateFile(engine, 7, ListedFile(path));
        return plat::FileExists(path);
    }
};

TEST_F(OrderStateReader, FilledSetsFillsAndDeletesTheFile) {
    window.TakeAll();
    EXPECT_FALSE(Apply("FILLED;2;1234.5\r\n"));
    const Order order = OrderOf(7);
    EXPECT_EQ(order.status, StatusCode::Filled);
    EXPECT_EQ(order.fillSize, 2);
    EXPECT_DOUBLE_EQ(order.fillPrice, 1234.5);
    EXPECT_GT(order.updateTime, 0.0);
    EXPECT_EQ(MessagesPosted(WindowMessage::OrdersChanged), 1u);
    EXPECT_EQ(heard.Take(), std::vector<std::string>{"OrderStatusChanged 7 1 2 1234.5"});
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(OrderStateReader, AReusedReferenceAnswersForItsFirstOrder) {
    ASSERT_FALSE(Apply("FILLED;2;1234.5\r\n"));
    Place(7);
    Place(7);  // the third: a second index entry would now be found before the first
    EXPECT_EQ(OrderCount(), 3);
    int32_t status = -1, filled = 0;
    double price = 0;
    ASSERT_TRUE(engine.router.GetOrderStatus(7, status, filled, price));
    EXPECT_EQ(status, StatusCode::Filled);
    EXPECT_EQ(filled, 2);
}

TEST_F(OrderStateReader, FilledAboveTheOrderSizeIsAppliedWithOneLogLine) {
    EXPECT_TRUE(Apply("PARTFILLED;3;4000.5\r\n"));  // order 7 is for 2
    EXPECT_TRUE(Apply("PARTFILLED;3;4000.5\r\n"));  // read again: nothing new to tell
    EXPECT_EQ(OrderOf(7).fillSize, 3);
    EXPECT_EQ(LogLines(), std::vector<std::string>{
                              "Order Status <HALVENMAR7.TXT> filled quantity 3 above the "
                              "order's size 2"});
}

TEST_F(OrderStateReader, PartFillKeepsTheFileAndEachChangeIsToldOnce) {
    EXPECT_TRUE(Apply("PARTFILLED;1;100"));
    EXPECT_EQ(OrderOf(7).status, StatusCode::PartFilled);
    EXPECT_EQ(OrderOf(7).fillSize, 1);
    EXPECT_DOUBLE_EQ(OrderOf(7).fillPrice, 100.0);
    window.TakeAll();
    EXPECT_TRUE(Apply("PARTFILLED;1;100"));  // the same again changes nothing
    EXPECT_EQ(MessagesPosted(WindowMessage::OrdersChanged), 0u);
    EXPECT_TRUE(Apply("PARTFILLED;1;100.25"));  // the fill price alone is a change
    EXPECT_EQ(MessagesPosted(WindowMessage::OrdersChanged), 1u);
    EXPECT_FALSE(Apply("FILLED;3;101"));
    EXPECT_EQ(OrderOf(7).status, StatusCode::Filled);
    EXPECT_EQ(OrderOf(7).fillSize, 3);
    EXPECT_DOUBLE_EQ(OrderOf(7).fillPrice, 101.0);
    EXPECT_EQ(heard.Take(), (std::vector<std::string>{"OrderStatusChanged 7 2 1 100",
                                                      "OrderStatusChanged 7 2 1 100.25",
                                                      "OrderStatusChanged 7 1 3 101"}));
}

TEST_F(OrderStateReader, WordsCountFromTheFirstOrSecondCharacterOnly) {
    EXPECT_FALSE(Apply(" filled;2;5"));
    EXPECT_EQ(OrderOf(7).status, StatusCode::Filled);
    Place(8);
    const std::string path = outgoing + "HALVENMAR8.TXT";
    plat::WriteWholeFile(path, "XXCANCELLED;0;0");
    ReadOrderStateFile(engine, 8, ListedFile(path));
    EXPECT_EQ(OrderOf(8).status, StatusCode::Open);
    EXPECT_TRUE(plat::FileExists(path));
}

TEST_F(OrderStateReader, WorkingWithNothingFilledChangesNothing) {
    window.TakeAll();
    EXPECT_TRUE(Apply("WORKING;0;0\r\n"));
    EXPECT_EQ(OrderOf(7).status, StatusCode::Open);
    EXPECT_EQ(OrderOf(7).updateTime, 0.0);
    EXPECT_EQ(MessagesPosted(WindowMessage::OrdersChanged), 0u);
}

TEST_F(OrderStateReader, CancelledAndRejectedNeverOverrideFilled) {
    EXPECT_FALSE(Apply("FILLED;2;5"));
    EXPECT_FALSE(Apply("CANCELLED;0;0"));
    EXPECT_EQ(OrderOf(7).status, StatusCode::Filled);
    EXPECT_FALSE(Apply("REJECTED;0;0"));
    EXPECT_EQ(OrderOf(7).status, StatusCode::Filled);

    Place(8);
    Place(9);
    Place(10);
    const auto apply = [&](int32_t ref, const std::string& text) {
        const std::string path = outgoing + "HALVENMAR" + std::to_string(ref) + ".TXT";
        plat::WriteWholeFile(path, text);
        ReadOrderStateFile(engine, ref, ListedFile(path));
    };
    apply(8, "CANCELLED;0;0");
    EXPECT_EQ(OrderOf(8).status, StatusCode::Cancelled);
    apply(9, "REJECTED;0;0");
    EXPECT_EQ(OrderOf(9).status, StatusCode::Rejected);
    apply(10, "CANCELLED;1;3.5");  // a cancel after a part fill keeps the fill
    EXPECT_EQ(OrderOf(10).status, StatusCode::Cancelled);
    EXPECT_EQ(OrderOf(10).fillSize, 1);
    EXPECT_DOUBLE_EQ(OrderOf(10).fillPrice, 3.5);
}

TEST_F(OrderStateReader, SmallerQuantityStillOverwrites) {
    Apply("PARTFILLED;3;10");
    Apply("PARTFILLED;1;9");
    EXPECT_EQ(OrderOf(7).fillSize, 1);
    EXPECT_DOUBLE_EQ(OrderOf(7).fillPrice, 9.0);
}

TEST_F(OrderStateReader, ParseErrorsAreLoggedAndKeepTheFile) {
    for (const char* text : {"FILLED;2", "FILLED;x;1", "FILLED;2;", "FILLED;-1;5", "FILLED;2;1.5x",
                             "FILLED;2;1,5"})
        EXPECT_TRUE(Apply(text)) << text;
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "Order Status <HALVENMAR7.TXT> Text <FILLED;2> parse error");
    EXPECT_EQ(lines[2], "Order Status <HALVENMAR7.TXT> Text <FILLED;2;> parse error");
    EXPECT_EQ(OrderOf(7).status, StatusCode::Open);
    EXPECT_FALSE(Apply("FILLED;2;1.5;more"));
    EXPECT_DOUBLE_EQ(OrderOf(7).fillPrice, 1.5);
}

TEST_F(OrderStateReader, UnknownOrderOrMissingFileIsIgnored) {
    const std::string path = outgoing + "HALVENMAR70.TXT";
    plat::WriteWholeFile(path, "FILLED;1;1");
    ReadOrderStateFile(engine, 70, ListedFile(path));
    EXPECT_TRUE(plat::FileExists(path));
    ReadOrderStateFile(engine, 7, ListedFile(outgoing + "HALVENMAR7.TXT"));  // no such file
    EXPECT_EQ(OrderOf(7).status, StatusCode::Open);
    EXPECT_TRUE(LogLines().empty());
}

}  // namespace

}  // namespace ordersrv
