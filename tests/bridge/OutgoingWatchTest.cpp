// The watch of OUTGOING: a change brings a scan forward; what it misses the periodic scan finds.
#include <chrono>
#include <filesystem>

#include "bridge/OutgoingWatch.h"
#include "tests/support/BridgeHarness.h"

namespace ordersrv {

namespace {

using namespace std::chrono_literals;

class Watch : public testsupport::BridgeHarness {
protected:
    // True when the window is asked for a scan within ten seconds.
    bool ScanRequested() {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < deadline) {
            window.WaitForMessage(100ms);
            for (const testsupport::QueuedMessage& m : window.TakeAll())
                if (m.msg == WindowMessage::ScanOutgoing) return true;
        }
        return false;
    }

    OutgoingWatch watch{engine};
};

TEST_F(Watch, AStateFileWrittenBringsTheScanForward) {
    Place(5);
    watch.Follow();
    ASSERT_TRUE(watch.Watching());
    window.TakeAll();
    WriteOutgoing("HALVENMAR5.TXT", "FILLED;2;10\r\n");
    ASSERT_TRUE(ScanRequested());
    scanner.Scan();
    EXPECT_EQ(OrderOf(5).status, StatusCode::Filled);
}

TEST_F(Watch, ASubFolderMadeAfterTheWatchStartedIsWatchedToo) {
    watch.Follow();
    ASSERT_TRUE(watch.Watching());
    const std::string nested = outgoing + "nested";
    ASSERT_TRUE(plat::MakeFolder(nested));
    ASSERT_TRUE(ScanRequested());
    plat::SleepMs(50);  // the new folder's own watch is being set up
    window.TakeAll();
    ASSERT_TRUE(plat::WriteWholeFile(nested + plat::kPathDelimiter + "HALVENMAR5.TXT", "x"));
    EXPECT_TRUE(ScanRequested());
}

TEST_F(Watch, AMissingFolderIsSaidOnceAndWatchedOnceItIsThere) {
    std::filesystem::remove_all(outgoing);
    watch.Follow();
    watch.Follow();
    EXPECT_FALSE(watch.Watching());
    const std::vector<std::string> log = LogLines();
    ASSERT_EQ(log.size(), 1u);
    const std::string folder = location + plat::kPathDelimiter + "OUTGOING";
    EXPECT_EQ(log[0].rfind("OUTGOING <" + folder + "> not watched (error ", 0), 0u) << log[0];
    EXPECT_NE(log[0].find("): changes are seen by the 100 ms scan alone"), std::string::npos);

    ASSERT_TRUE(plat::MakeFolder(folder));
    watch.Follow();
    EXPECT_TRUE(watch.Watching());
    EXPECT_EQ(LogLines().size(), 1u);
}

// A notification can be lost (an overflowing queue, a refused post): the scan that follows
// anyway, every 100 ms, still reads the file.
TEST_F(Watch, ALostNotificationIsMadeGoodByThePeriodicScan) {
    Place(5);
    window.OnEachPost([](uint32_t msg) { return msg == WindowMessage::ScanOutgoing ? 1816u : 0u; });
    watch.Follow();
    WriteOutgoing("HALVENMAR5.TXT", "FILLED;2;10\r\n");
    scanner.Scan();  // the scheduler's
    EXPECT_EQ(OrderOf(5).status, StatusCode::Filled);
}

}  // namespace

}  // namespace ordersrv
