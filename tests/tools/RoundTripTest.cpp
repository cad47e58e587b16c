// The server's file bridge against the NinjaTrader stand-in running as a process of its own.
#include <functional>
#include <memory>

#include "platform/Tick.h"
#include "tests/support/BridgeHarness.h"
#include "tests/support/StandinProcess.h"

namespace ordersrv {

namespace {

class RoundTrip : public testsupport::BridgeHarness {
protected:
    ~RoundTrip() override {
        if (standin) {
            EXPECT_TRUE(standin->Stop());
        }
    }

    void StartStandin(const std::vector<std::string>& options) {
        standin = std::make_unique<testsupport::StandinProcess>(NTSTANDIN_PATH, location, location,
                                                                options);
        ASSERT_TRUE(standin->Started()) << NTSTANDIN_PATH;
        Connect();
    }

    // Scans OUTGOING the way the scheduler has the window do it, until `done` or 20 s pass.
    bool ScanUntil(const std::function<bool()>& done) {
        const uint32_t start = plat::TickCount();
        while (plat::TickCount() - start < 20000) {
            scanner.Scan();
            if (done()) return true;
            plat::SleepMs(2);
        }
        return false;
    }

    // Log lines other than a read that met the stand-in writing: Windows holds a file shut
    // while it is written, and the reader says so.
    std::vector<std::string> UnexpectedLogLines() const {
        std::vector<std::string> unexpected;
        for (const std::string& line : LogLines())
            if (line.find("> read error") == std::string::npos) unexpected.push_back(line);
        return unexpected;
    }

    bool StatusIs(int32_t refId, int32_t wanted) {
        int32_t status = -1, size = 0;
        double price = 0;
        return engine.router.GetOrderStatus(refId, status, size, price) && status == wanted;
    }

    std::unique_ptr<testsupport::StandinProcess> standin;
};

TEST_F(RoundTrip, AnOrderIsFilledAndItsPositionReported) {
    StartStandin({"--fill-price", "101.25", "--partial-steps", "2", "--fill-delay-ms", "20"});
    Place(1, {"ABC", OrderModifierCode::Market, 0.0, 4});
    writer.Drain();
    ASSERT_TRUE(ScanUntil([&] { return StatusIs(1, StatusCode::Filled); }));
    int32_t status = 0, size = 0;
    double price = 0;
    ASSERT_TRUE(engine.router.GetOrderStatus(1, status, size, price));
    EXPECT_EQ(size, 4);
    EXPECT_DOUBLE_EQ(price, 101.25);
    EXPECT_FALSE(plat::FileExists(outgoing + "HALVENMAR1.txt"));  // ended: deleted
    int32_t posSize = 0;
    double posCost = 0;
    ASSERT_TRUE(ScanUntil([&] {
        return engine.queries.GetPositionInfo(HostValue::Text("ABC"), HostValue::Empty(), 0,
                                      HostValue::Empty(), posSize, posCost) &&
               posSize == 4;
    }));
    EXPECT_DOUBLE_EQ(posCost, 101.25);
    EXPECT_EQ(UnexpectedLogLines(), std::vector<std::string>{});
}

TEST_F(RoundTrip, ARestingOrderIsCancelled) {
    StartStandin({"--rest-limits"});
    Place(2, {"ABC", OrderModifierCode::Limit, 99.5, 1});
    writer.Drain();
    // WORKING leaves the record as it is; wait for the stand-in to have taken the order.
    ASSERT_TRUE(ScanUntil([&] { return plat::FileExists(outgoing + "HALVENMAR2.txt"); }));
    engine.router.CancelOrder(2);
    writer.Drain();
    ASSERT_TRUE(ScanUntil([&] { return StatusIs(2, StatusCode::Cancelled); }));
    EXPECT_EQ(OrderOf(2).fillSize, 0);
}

TEST_F(RoundTrip, AnotherAccountIsRejected) {
    engine.settings.account = "OTHER";
    StartStandin({});
    Place(3);
    writer.Drain();
    ASSERT_TRUE(ScanUntil([&] { return StatusIs(3, StatusCode::Rejected); }));
}

}  // namespace

}  // namespace ordersrv
