// The watch of OUTGOING: a change brings a scan forward; what it misses the safety listing
// finds; it follows its folder wherever the Location or the file system moves it.
#include <atomic>
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

// The watch noticed the change, but its request for a scan was lost (a refused post): while
// the watch stands, the folder is not listed at every period, and the safety listing, a
// second after the last one, reads the file.
TEST_F(Watch, ALostNotificationIsMadeGoodByTheSafetyListing) {
    Place(5);
    std::atomic<int> lost{0};
    window.OnEachPost([&](uint32_t msg) {
        if (msg != WindowMessage::ScanOutgoing) return 0u;
        ++lost;
        return 1816u;
    });
    uint32_t now = 5000;
    scanner.SetTickSource([&] { return now; });
    watch.Follow();
    ASSERT_TRUE(watch.Watching());
    scanner.Scan();
    WriteOutgoing("HALVENMAR5.TXT", "FILLED;2;10\r\n");
    for (int i = 0; i < 1000 && lost == 0; ++i) plat::SleepMs(10);
    ASSERT_GT(lost, 0) << "the watch never noticed the change";

    now += OutgoingScanner::kScanPeriodMs;
    EXPECT_FALSE(scanner.ListingDue(now, watch.Watching()));
    EXPECT_EQ(OrderOf(5).status, StatusCode::Open);
    now = 5000 + OutgoingScanner::kSafetyListingMs;
    ASSERT_TRUE(scanner.ListingDue(now, watch.Watching()));
    scanner.Scan();
    EXPECT_EQ(OrderOf(5).status, StatusCode::Filled);
}

TEST_F(Watch, FollowsTheLocationToAnotherFolder) {
    watch.Follow();
    ASSERT_TRUE(watch.Watching());
    const std::string other = location + plat::kPathDelimiter + "other";
    const std::string otherOutgoing = other + plat::kPathDelimiter + "OUTGOING";
    ASSERT_TRUE(plat::MakeFolder(other));
    ASSERT_TRUE(plat::MakeFolder(otherOutgoing));
    engine.settings.location = other;
    watch.Follow();
    window.TakeAll();
    ASSERT_TRUE(plat::WriteWholeFile(otherOutgoing + plat::kPathDelimiter + "HALVENMAR5.TXT", "x"));
    EXPECT_TRUE(ScanRequested());
}

// OUTGOING replaced under a standing watch. The old folder may never report again (under Wine
// a watch on a deleted folder is never signalled; a folder whose parent moved away still
// reports, but about files nobody writes any more): the next listing's look at the folder
// starts the watch again on the new one, and a fill written afterwards brings a scan forward.
enum class Replacement { DeletedAndMadeAgain, MovedAwayAndMadeAgain, NinjaTraderFolderReplaced };

class ReplacedFolder : public Watch, public ::testing::WithParamInterface<Replacement> {};

TEST_P(ReplacedFolder, IsWatchedAgainAtTheNextListing) {
    Place(5);
    watch.Follow();
    ASSERT_TRUE(watch.Watching());
    const std::string folder = location + plat::kPathDelimiter + "OUTGOING";
    const std::string old = location + "-old";
    std::error_code ignored;
    std::filesystem::remove_all(old, ignored);
    switch (GetParam()) {
    case Replacement::DeletedAndMadeAgain:
        std::filesystem::remove_all(folder);
        break;
    case Replacement::MovedAwayAndMadeAgain:
        std::filesystem::rename(folder, old);
        break;
    case Replacement::NinjaTraderFolderReplaced:
        std::filesystem::rename(location, old);
        ASSERT_TRUE(plat::MakeFolder(location));
        break;
    }
    ASSERT_TRUE(plat::MakeFolder(folder));
    plat::SleepMs(100);  // where the system reports the old folder's end, it has done so
    watch.Follow();
    EXPECT_TRUE(watch.Watching());
    window.TakeAll();
    WriteOutgoing("HALVENMAR5.TXT", "FILLED;2;10\r\n");
    EXPECT_TRUE(ScanRequested());
    scanner.Scan();
    EXPECT_EQ(OrderOf(5).status, StatusCode::Filled);
    std::filesystem::remove_all(old, ignored);
}

INSTANTIATE_TEST_SUITE_P(Outgoing, ReplacedFolder,
                         ::testing::Values(Replacement::DeletedAndMadeAgain,
                                           Replacement::MovedAwayAndMadeAgain,
                                           Replacement::NinjaTraderFolderReplaced),
                         [](const auto& info) {
                             switch (info.param) {
                             case Replacement::DeletedAndMadeAgain: return "DeletedAndMadeAgain";
                             case Replacement::MovedAwayAndMadeAgain: return "MovedAwayAndMadeAgain";
                             default: return "NinjaTraderFolderReplaced";
                             }
                         });

}  // namespace

}  // namespace ordersrv
