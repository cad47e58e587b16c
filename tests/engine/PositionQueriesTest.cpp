#include "tests/support/EngineHarness.h"

namespace ordersrv {

class PositionQueriesTest : public testsupport::EngineHarness {
protected:
    void AddPosition(const std::string& symbol, bool reported, int32_t size, double cost) {
        auto position = std::make_unique<Position>();
        position->symbol = symbol;
        position->hasPosition = reported;
        position->posSize = size;
        position->posCost = cost;
        engine.positions.With([&](PositionBook& db) { db.Add(std::move(position)); });
    }

    // GetPositionInfo, checked against GetPositionSize with the same arguments.
    bool Info(const HostText& symbol, int32_t& size, double& cost,
              const HostText& symExp = HostValue::Empty(), int32_t symType = 0,
              const HostText& symExch = HostValue::Empty()) {
        const bool found = engine.queries.GetPositionInfo(symbol, symExp, symType, symExch, size, cost);
        int32_t sizeOnly = -99;
        EXPECT_EQ(engine.queries.GetPositionSize(symbol, symExp, symType, symExch, sizeOnly), found);
        EXPECT_EQ(sizeOnly, size);
        return found;
    }
};

TEST_F(PositionQueriesTest, SymbolAloneFindsThePosition) {
    AddPosition("ES", true, -3, 4500.25);
    int32_t size = 0;
    double cost = 0;
    for (const char* symbol : {"ES", "es", "  Es\t", " ES "}) {
        SCOPED_TRACE(symbol);
        EXPECT_TRUE(Info(HostValue::Text(symbol), size, cost));
        EXPECT_EQ(size, -3);
        EXPECT_EQ(cost, 4500.25);
    }
    EXPECT_TRUE(Info(HostValue::Text("es"), size, cost, HostValue::Text("202612"),
                     SymTypeCode::Future, HostValue::Text("CME")));
    EXPECT_EQ(size, -3);
    // A value that cannot be converted after the symbol does not matter either.
    EXPECT_TRUE(Info(HostValue::Text("ES"), size, cost, HostValue::Null(), 0,
                     HostValue::Array()));
    EXPECT_GT(engine.connection.LastHostContact(), 0.0);
}

TEST_F(PositionQueriesTest, OnlyReportedPositionsAnswer) {
    AddPosition("FLAT", true, 0, 0.0);
    AddPosition("QUIET", false, 5, 10.0);
    int32_t size = -1;
    double cost = -1;
    EXPECT_TRUE(Info(HostValue::Text("flat"), size, cost));
    EXPECT_EQ(size, 0);

    for (const HostValue& symbol : {HostValue::Text("QUIET"), HostValue::Text("NONE"),
                                     HostValue::Text(""), HostValue::Null()}) {
        size = -1;
        cost = -1;
        EXPECT_FALSE(Info(symbol, size, cost));
        EXPECT_EQ(size, 0);
        EXPECT_EQ(cost, 0.0);
    }
}

TEST_F(PositionQueriesTest, AcceptOrdersOffAnswersNothing) {
    AddPosition("ES", true, 2, 1.0);
    engine.settings.acceptOrders = false;
    int32_t size = -1;
    double cost = -1;
    EXPECT_FALSE(engine.queries.GetPositionInfo(HostValue::Text("ES"), HostValue::Empty(), 0,
                                        HostValue::Empty(), size, cost));
    EXPECT_EQ(size, -1);
    EXPECT_EQ(cost, -1.0);
    EXPECT_GT(engine.connection.LastHostContact(), 0.0);
}

TEST_F(PositionQueriesTest, AllPositionsListedOldestFirst) {
    std::vector<PositionSpec> rows(3);
    EXPECT_FALSE(engine.queries.GetAllPositionSpec(rows));
    EXPECT_TRUE(rows.empty());

    AddPosition("NQ", true, 1, 1.0);
    AddPosition("ES", false, 0, 0.0);
    engine.settings.acceptOrders = false;  // plays no part here
    ASSERT_TRUE(engine.queries.GetAllPositionSpec(rows));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].symbol, "NQ");
    EXPECT_EQ(rows[1].symbol, "ES");
    EXPECT_EQ(rows[1].symExp, "");
    EXPECT_EQ(rows[1].symExch, "");
    EXPECT_EQ(rows[1].symType, 0);

    EXPECT_FALSE(engine.queries.GetAccountInfo());
    EXPECT_EQ(engine.connection.LastHostContact(), 0.0);  // neither notes host contact
}

}  // namespace ordersrv
