#include <chrono>
#include <filesystem>
#include <ostream>
#include <stdexcept>

#include "tests/support/BridgeHarness.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace ordersrv {

namespace {

// Natively a leading "." hides a name; Windows keeps it as an attribute.
void MakeHidden(const std::string& path) {
#ifdef _WIN32
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
#else
    (void)path;
#endif
}

using namespace std::chrono_literals;

using Scanner = testsupport::BridgeHarness;

TEST_F(Scanner, ListsFilesFirstThenSubFoldersDepthFirstWithoutHiddenEntries) {
    plat::MakeFolder(outgoing + "sub");
    plat::MakeFolder(outgoing + "sub" + plat::kPathDelimiter + "deeper");
    plat::MakeFolder(outgoing + ".hiddenfolder");
    plat::WriteWholeFile(outgoing + "a.txt", "");
    plat::WriteWholeFile(outgoing + ".hidden.txt", "");
    plat::WriteWholeFile(outgoing + "sub" + plat::kPathDelimiter + "b.txt", "");
    plat::WriteWholeFile(outgoing + "sub" + plat::kPathDelimiter + "deeper" +
                             plat::kPathDelimiter + "c.txt", "");
    plat::WriteWholeFile(outgoing + ".hiddenfolder" + plat::kPathDelimiter + "d.txt", "");
    MakeHidden(outgoing + ".hidden.txt");
    MakeHidden(outgoing + ".hiddenfolder");
    std::vector<std::string> files, folders;
    OutgoingScanner::ListFolderTree(location + plat::kPathDelimiter + "OUTGOING", files, folders);
    const std::string sub = outgoing + "sub";
    EXPECT_EQ(files, (std::vector<std::string>{
                         outgoing + "a.txt", sub + plat::kPathDelimiter + "b.txt",
                         sub + plat::kPathDelimiter + "deeper" + plat::kPathDelimiter + "c.txt"}));
    EXPECT_EQ(folders, (std::vector<std::string>{sub, sub + plat::kPathDelimiter + "deeper"}));
}

TEST_F(Scanner, MissingFolderFindsNothingAndLogsNothing) {
    engine.settings.location = location + plat::kPathDelimiter + "nowhere";
    scanner.Scan();
    std::vector<std::string> files, folders;
    OutgoingScanner::ListFolderTree(location + plat::kPathDelimiter + "nowhere", files, folders);
    EXPECT_TRUE(files.empty());
    EXPECT_TRUE(LogLines().empty());
}

// What a scan does with a state file for order 12, by the file's name alone.
struct StateFileName {
    const char* label;
    const char* name;
    enum Outcome { Read, Ignored, IdError } outcome;
};

void PrintTo(const StateFileName& file, std::ostream* out) { *out << file.name; }

class StateFileNames : public testsupport::BridgeHarness,
                       public ::testing::WithParamInterface<StateFileName> {};

TEST_P(StateFileNames, AreReadIgnoredOrLoggedByTheirName) {
    const StateFileName& file = GetParam();
    Place(12);
    WriteOutgoing(file.name, "FILLED;2;10\r\n");
    scanner.Scan();
    EXPECT_EQ(OrderOf(12).status,
              file.outcome == StateFileName::Read ? StatusCode::Filled : StatusCode::Open);
    EXPECT_EQ(plat::FileExists(outgoing + file.name), file.outcome != StateFileName::Read);
    const std::vector<std::string> expectedLog =
        file.outcome == StateFileName::IdError
            ? std::vector<std::string>{"ORDER STATUS <" + std::string(file.name) +
                                       "> order id error"}
            : std::vector<std::string>{};
    EXPECT_EQ(LogLines(), expectedLog);
}

INSTANTIATE_TEST_SUITE_P(
    OrderStateFiles, StateFileNames,
    ::testing::Values(StateFileName{"Exact", "HALVENMAR12.TXT", StateFileName::Read},
                      StateFileName{"LowerCaseExtension", "HALVENMAR12.txt", StateFileName::Read},
                      StateFileName{"LowerCasePrefix", "halvenmar12.TXT", StateFileName::Ignored},
                      StateFileName{"MixedCasePrefix", "Halvenmar12.TXT", StateFileName::Ignored},
                      StateFileName{"SecondExtension", "HALVENMAR12.TXT.BAK",
                                    StateFileName::Ignored},
                      StateFileName{"NoExtension", "HALVENMAR12", StateFileName::Ignored},
                      StateFileName{"NoReference", "HALVENMAR.TXT", StateFileName::IdError},
                      StateFileName{"LetterInReference", "HALVENMARX1.TXT",
                                    StateFileName::IdError},
                      StateFileName{"NegativeReference", "HALVENMAR-3.TXT",
                                    StateFileName::IdError}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(Scanner, PositionNamesGiveTheUpperCasedBaseName) {
    engine.settings.account = "SIM101";
    WriteOutgoing("ES GLOBEX_sim101_position.txt", "LONG;2;1234.5\r\n");
    WriteOutgoing("NQ GLOBEX_SIM101_ POSITION.TXT", "SHORT;1;99\r\n");
    WriteOutgoing("YM GLOBEX_SIM101_POSITION.TXT_POSITION.TXT", "LONG;1;1\r\n");
    WriteOutgoing("CL GLOBEX_SIM101_POSITION.CSV", "LONG;1;1\r\n");
    scanner.Scan();
    const auto sizeOf = [&](const char* symbol) {
        return engine.positions.With([&](PositionBook& db) {
            const Position* p = db.FindSymbol(symbol);
            return p ? p->posSize : 999;
        });
    };
    EXPECT_EQ(engine.positions.With([](PositionBook& db) { return db.Count(); }), 2);
    EXPECT_EQ(sizeOf("ES"), 2);
    EXPECT_EQ(sizeOf("NQ"), -1);
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(Scanner, SubFolderFilesAreClassifiedLikeTheirParents) {
    Place(5);
    plat::MakeFolder(outgoing + "nested");
    const std::string path = outgoing + "nested" + plat::kPathDelimiter + "HALVENMAR5.TXT";
    ASSERT_TRUE(plat::WriteWholeFile(path, "FILLED;2;10\r\n"));
    scanner.Scan();
    EXPECT_EQ(OrderOf(5).status, StatusCode::Filled);
    EXPECT_FALSE(plat::FileExists(path));
}

TEST_F(Scanner, ScanLongerThanItsPeriodIsLoggedOnceUntilScansAreQuickAgain) {
    uint32_t now = 0, step = 150;  // every reading of the clock moves it by `step`
    scanner.SetTickSource([&] { return now += step; });
    WriteOutgoing("notes.txt", "");
    scanner.Scan();
    scanner.Scan();
    const std::string overrun =
        "OUTGOING scan took 150 ms for 1 file, longer than its 100 ms period";
    std::string line;
    EXPECT_EQ(engine.log.Count(), 1u);
    ASSERT_TRUE(engine.log.Line(0, line));
    EXPECT_EQ(line, overrun);
    step = 10;
    scanner.Scan();
    step = 150;
    scanner.Scan();
    EXPECT_EQ(engine.log.Count(), 2u);
    ASSERT_TRUE(engine.log.Line(1, line));
    EXPECT_EQ(line, overrun);
}

TEST_F(Scanner, ScanThatFailsHalfWayDoesNotStopLaterScans) {
    // A window whose log refresh fails by throwing, once.
    bool failed = false;
    window.OnEachPost([&](uint32_t msg) {
        if (msg == WindowMessage::LogLinesPending && !std::exchange(failed, true))
            throw std::runtime_error("post failed");
        return 0u;
    });
    Place(5, {"ABC", OrderModifierCode::Limit, 10.0, 2});
    WriteOutgoing("HALVENMAR.TXT", "");  // logs "order id error"
    EXPECT_ANY_THROW(scanner.Scan());
    WriteOutgoing("HALVENMAR5.TXT", "FILLED;2;10\r\n");
    scanner.Scan();
    EXPECT_EQ(OrderOf(5).status, StatusCode::Filled);
}

// What the scan remembers of the files it read: a file is opened again only when it may have
// changed. Times are set to whole seconds, the finest step every system here can set.
class RememberingScanner : public testsupport::BridgeHarness {
protected:
    using FileTime = std::filesystem::file_time_type;

    RememberingScanner() { scanner.SetTickSource([this] { return now; }); }

    // Writes the file and gives it a write time `age` ago, cut to whole seconds; returns it.
    FileTime WriteAged(const std::string& name, const std::string& content,
                       std::chrono::seconds age) {
        WriteOutgoing(name, content);
        const auto then = std::chrono::time_point_cast<std::chrono::seconds>(
            std::filesystem::last_write_time(outgoing + name) - age);
        std::filesystem::last_write_time(outgoing + name, then);
        return std::filesystem::last_write_time(outgoing + name);
    }
    // Rewrites the file in place with the given write time.
    void Rewrite(const std::string& name, const std::string& content, FileTime time) {
        WriteOutgoing(name, content);
        std::filesystem::last_write_time(outgoing + name, time);
    }

    uint32_t now = 10000;  // the scanner's tick
};

TEST_F(RememberingScanner, AFileWhoseNameSizeAndTimeAreUnchangedIsNotOpenedAgain) {
    Place(5);
    const FileTime written = WriteAged("HALVENMAR5.TXT", "PARTFILLED;1;100\r\n", 1h);
    scanner.Scan();
    ASSERT_EQ(OrderOf(5).fillSize, 1);
    // Rewritten to the same size with its old time: to the listing it has not changed.
    Rewrite("HALVENMAR5.TXT", "PARTFILLED;2;100\r\n", written);
    scanner.Scan();
    EXPECT_EQ(OrderOf(5).fillSize, 1) << "opened again though its name, size and time are unchanged";
}

TEST_F(RememberingScanner, AFileRewrittenToTheSameSizeAtANewTimeIsRead) {
    Place(5);
    const FileTime written = WriteAged("HALVENMAR5.TXT", "PARTFILLED;1;100\r\n", 1h);
    scanner.Scan();
    Rewrite("HALVENMAR5.TXT", "PARTFILLED;2;100\r\n", written + 1s);
    scanner.Scan();
    EXPECT_EQ(OrderOf(5).fillSize, 2);
}

// Two writes within one step of the file system's clock can leave the same time: a file
// written that recently is read again, whatever its stamp, until its time is older.
TEST_F(RememberingScanner, AFileWrittenJustNowIsReadAgainThoughItsStampIsUnchanged) {
    Place(5);
    // Its time is the next whole second: as recent as whole seconds allow.
    const FileTime written = WriteAged("HALVENMAR5.TXT", "PARTFILLED;1;100\r\n", -1s);
    scanner.Scan();
    ASSERT_EQ(OrderOf(5).fillSize, 1);
    Rewrite("HALVENMAR5.TXT", "PARTFILLED;2;100\r\n", written);
    scanner.Scan();
    EXPECT_EQ(OrderOf(5).fillSize, 2);
}

// NinjaTrader may keep the state file of an order from an earlier run; once the host places
// an order with that reference, the file is read at the next period, though it never changed.
TEST_F(RememberingScanner, AStateFileOfAnOrderTheBookDoesNotKnowIsReadOnceItDoes) {
    WriteAged("HALVENMAR9.TXT", "FILLED;1;5\r\n", 1h);
    scanner.Scan();
    now += OutgoingScanner::kScanPeriodMs;
    EXPECT_FALSE(scanner.ListingDue(now, true));
    Place(9);
    ASSERT_TRUE(scanner.ListingDue(now, true));
    scanner.Scan();
    EXPECT_EQ(OrderOf(9).status, StatusCode::Filled);
}

// While the watch stands the folder is listed only every kSafetyListingMs, unless a file could
// not be read: that one is tried at every period for a while (a file just renamed into place
// can refuse readers for a few milliseconds), then left to the listings.
TEST_F(RememberingScanner, ListsAtEveryPeriodOnlyWhileUnwatchedOrWhileAFileWaitsToBeRead) {
    Place(5);
    scanner.Scan();
    now += OutgoingScanner::kScanPeriodMs;
    EXPECT_FALSE(scanner.ListingDue(now, true));
    EXPECT_TRUE(scanner.ListingDue(now, false));
    EXPECT_TRUE(scanner.ListingDue(now - OutgoingScanner::kScanPeriodMs +
                                       OutgoingScanner::kSafetyListingMs, true));

    WriteOutgoing("HALVENMAR5.TXT", "");  // no line yet
    scanner.Scan();
    now += OutgoingScanner::kScanPeriodMs;
    EXPECT_TRUE(scanner.ListingDue(now, true));
    now += OutgoingScanner::kRetryEveryPeriodMs;
    scanner.Scan();
    now += OutgoingScanner::kScanPeriodMs;
    EXPECT_FALSE(scanner.ListingDue(now, true));
}

// A position file is read or skipped by its account, and another account's file may report
// the same symbol: what was learnt under one account does not hold under another.
TEST_F(RememberingScanner, WhatWasLearntUnderOneAccountIsForgottenWhenItChanges) {
    WriteAged("ES GLOBEX_SIM101_POSITION.TXT", "LONG;2;1234.5\r\n", 1h);
    WriteAged("ES GLOBEX_OTHER_POSITION.TXT", "SHORT;5;1234.5\r\n", 1h);
    const auto sizeOfEs = [&] {
        return engine.positions.With([](PositionBook& book) {
            const Position* p = book.FindSymbol("ES");
            return p ? p->posSize : 999;
        });
    };
    scanner.Scan();
    EXPECT_EQ(sizeOfEs(), 2);
    engine.settings.account = "OTHER";
    scanner.Scan();
    EXPECT_EQ(sizeOfEs(), -5);
    engine.settings.account = "Sim101";
    scanner.Scan();
    EXPECT_EQ(sizeOfEs(), 2);
}

#ifndef _WIN32  // Windows file names cannot hold control characters
TEST_F(Scanner, ControlCharactersOfANameAreShownEscapedInTheLog) {
    WriteOutgoing("HALVENMAR1\n2\t.TXT", "");
    scanner.Scan();
    EXPECT_EQ(LogLines(),
              std::vector<std::string>{"ORDER STATUS <HALVENMAR1\\n2\\t.TXT> order id error"});
}
#endif

}  // namespace

}  // namespace ordersrv
