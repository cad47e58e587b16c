// Faults on the OUTGOING side: files that vanish, cannot be opened, are half written, huge or
// garbage. None may give an order a wrong status or price, and none may stop the scan.
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "bridge/StateLine.h"
#include "platform/Tick.h"
#include "tests/support/BridgeHarness.h"
#include "tools/NtStandin.h"

namespace ordersrv {
namespace {

// Bytes this process has read so far (Linux only); -1 where it cannot be told.
long long BytesReadByProcess() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = -1;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return -1;
}

}  // namespace

class OutgoingFaults : public testsupport::BridgeHarness {
protected:
    void PlaceAndWrite(int32_t refId) {
        Connect();
        Place(refId);
        writer.Drain();
    }
};

TEST_F(OutgoingFaults, FilesVanishingBetweenListingAndReadingChangeNothing) {
    PlaceAndWrite(5);
    WriteOutgoing("HALVENMAR5.TXT", "FILLED;2;1234.5\r\n");
    WriteOutgoing("ES 12-05_SIM101_POSITION.TXT", "LONG;2;1234.5\r\n");
    std::vector<std::string> files, folders;
    OutgoingScanner::ListFolderTree(location + plat::kPathDelimiter + "OUTGOING", files, folders);
    ASSERT_EQ(files.size(), 2u);
    for (const std::string& path : files) plat::RemoveFile(path);
    for (const std::string& path : files) scanner.ClassifyOutgoingFile(path);

    EXPECT_EQ(OrderOf(5).status, StatusCode::Open);
    EXPECT_EQ(OrderOf(5).fillSize, 0);
    EXPECT_EQ(engine.positions.With([](PositionBook& p) { return p.Count(); }), 0);
    // The vanished position file is reported as unreadable; the state file silently skipped.
    const std::vector<std::string> log = LogLines();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("> read error"), std::string::npos) << log[0];
    ExpectNoOrderLostSilently();
}

#ifndef _WIN32
TEST_F(OutgoingFaults, DanglingNamesAndPipesAreSkippedWithoutBlocking) {
    PlaceAndWrite(6);
    ASSERT_EQ(symlink((outgoing + "gone.txt").c_str(), (outgoing + "HALVENMAR6.TXT").c_str()), 0);
    // A pipe nobody writes to would block a plain open for ever.
    ASSERT_EQ(mkfifo((outgoing + "HALVENMAR7.TXT").c_str(), 0666), 0);
    Place(7);
    writer.Drain();
    scanner.Scan();
    scanner.Scan();

    EXPECT_EQ(OrderOf(6).status, StatusCode::Open);
    EXPECT_EQ(OrderOf(7).status, StatusCode::Open);
    EXPECT_TRUE(LogLines().empty());
    ExpectNoOrderLostSilently();
}
#endif

TEST_F(OutgoingFaults, FileLockedByItsWriterIsSkippedSilentlyAndReadLater) {
#ifndef _WIN32
    GTEST_SKIP() << "files are locked against readers only on Windows";
#else
    PlaceAndWrite(8);
    WriteOutgoing("HALVENMAR8.TXT", "FILLED;2;1234.5\r\n");
    HANDLE held = CreateFileA((outgoing + "HALVENMAR8.TXT").c_str(), GENERIC_READ | GENERIC_WRITE,
                              0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    scanner.Scan();
    EXPECT_EQ(OrderOf(8).status, StatusCode::Open);
    EXPECT_EQ(OrderOf(8).fillSize, 0);
    EXPECT_TRUE(LogLines().empty());
    EXPECT_TRUE(plat::FileExists(outgoing + "HALVENMAR8.TXT"));
    CloseHandle(held);

    scanner.Scan();
    EXPECT_EQ(OrderOf(8).status, StatusCode::Filled);
    EXPECT_EQ(OrderOf(8).fillSize, 2);
    EXPECT_DOUBLE_EQ(OrderOf(8).fillPrice, 1234.5);
    EXPECT_FALSE(plat::FileExists(outgoing + "HALVENMAR8.TXT"));
    ExpectNoOrderLostSilently();
#endif
}

TEST_F(OutgoingFaults, HalfWrittenFilesNeverGiveAStateOrAPrice) {
    PlaceAndWrite(9);
    WriteOutgoing("HALVENMAR9.TXT", "");
    WriteOutgoing("ES 12-05_SIM101_POSITION.TXT", "");
    scanner.Scan();
    WriteOutgoing("HALVENMAR9.TXT", "\r\nFILLED;2;1234.5\r\n");  // a line end written first
    scanner.Scan();
    EXPECT_EQ(OrderOf(9).status, StatusCode::Open);
    EXPECT_EQ(OrderOf(9).fillSize, 0);
    EXPECT_EQ(engine.positions.With([](PositionBook& p) { return p.Count(); }), 0);
    EXPECT_TRUE(LogLines().empty());

    WriteOutgoing("HALVENMAR9.TXT", "FILLED;2;1234.5\r\n");
    WriteOutgoing("ES 12-05_SIM101_POSITION.TXT", "LONG;2;1234.5\r\n");
    scanner.Scan();
    EXPECT_EQ(OrderOf(9).status, StatusCode::Filled);
    EXPECT_DOUBLE_EQ(OrderOf(9).fillPrice, 1234.5);
    ExpectNoOrderLostSilently();
}

// NinjaTrader's side emptying each file a moment before writing it, against a bridge scanning
// all the while: every value the bridge ever holds is one the stand-in wrote.
TEST_F(OutgoingFaults, CarelessWriterAgainstRunningScansLeavesNoWrongValue) {
    constexpr int kOrders = 6;
    constexpr int32_t kQuantity = 4;
    Connect();
    for (int32_t ref = 1; ref <= kOrders; ++ref)
        Place(ref, {"ABC", OrderModifierCode::Limit, 1234.5, kQuantity});
    writer.Drain();
    ExpectNoOrderLostSilently();

    StandinOptions options;
    options.folder = location;
    options.careless = true;
    options.carelessPauseMs = 15;
    options.partialSteps = 4;
    options.fillDelayMs = 5;
    options.hasFillPrice = true;
    options.fillPrice = 101.25;
    std::atomic<bool> stop{false};
    std::thread standin([&] {
        NinjaTraderStandin ninja(options, [](const std::string&) {});
        while (!stop) {
            ninja.Step(plat::TickCount());
            plat::SleepMs(1);
        }
    });

    const uint32_t start = plat::TickCount();
    bool allFilled = false;
    int32_t lastFill[kOrders + 1] = {};
    while (!allFilled && plat::TickCount() - start < 30000) {
        scanner.Scan();
        allFilled = true;
        for (int32_t ref = 1; ref <= kOrders; ++ref) {
            const Order order = OrderOf(ref);
            ASSERT_TRUE(order.status == StatusCode::Open || order.status == StatusCode::PartFilled ||
                        order.status == StatusCode::Filled)
                << "order " << ref << " status " << order.status;
            ASSERT_GE(order.fillSize, lastFill[ref]) << "order " << ref << " fill went back";
            ASSERT_LE(order.fillSize, kQuantity);
            if (order.fillSize > 0) {
                ASSERT_EQ(order.fillPrice, 101.25) << "order " << ref;
            }
            lastFill[ref] = order.fillSize;
            allFilled = allFilled && order.status == StatusCode::Filled;
        }
    }
    stop = true;
    standin.join();
    scanner.Scan();  // the stand-in's last position file, now complete
    EXPECT_TRUE(allFilled);
    for (int32_t ref = 1; ref <= kOrders; ++ref) EXPECT_EQ(OrderOf(ref).fillSize, kQuantity);
    // A position file held open by its writer is reported as unreadable, and read next time;
    // nothing else may be logged.
    for (const std::string& line : LogLines()) {
        const bool positionBusy = line.compare(0, 5, "PUF <") == 0 &&
                                  line.find("_Position.txt> read error") != std::string::npos;
        if (!positionBusy) ADD_FAILURE() << "unexpected log line: " << line;
    }
    const Position position = engine.positions.With([](PositionBook& p) {
        const Position* found = p.FindSymbol("ABC");
        return found ? *found : Position();
    });
    EXPECT_EQ(position.posSize, kOrders * kQuantity);
    EXPECT_EQ(position.posCost, 101.25);
}

TEST_F(OutgoingFaults, HugeFilesAreReadOnlyAsFarAsTheirFirstLine) {
    PlaceAndWrite(10);
    PlaceAndWrite(11);
    constexpr uintmax_t kHuge = 100u * 1024 * 1024;
    // Sparse where the file system allows: the size is real, the disk use is not.
    WriteOutgoing("HALVENMAR10.TXT", "FILLED;2;1234.5\r\n");
    std::filesystem::resize_file(outgoing + "HALVENMAR10.TXT", kHuge);
    // A first line that never ends: its digits run on past what is read.
    WriteOutgoing("HALVENMAR11.TXT", "FILLED;2;1234.5" + std::string(kStateFileReadLimit, '0'));
    std::filesystem::resize_file(outgoing + "HALVENMAR11.TXT", kHuge);

    const long long before = BytesReadByProcess();
    scanner.Scan();
    const long long after = BytesReadByProcess();
    if (before >= 0 && after >= 0) {
        EXPECT_LT(after - before, 4 * 1024 * 1024);
    }

    EXPECT_EQ(OrderOf(10).status, StatusCode::Filled);
    EXPECT_DOUBLE_EQ(OrderOf(10).fillPrice, 1234.5);
    EXPECT_FALSE(plat::FileExists(outgoing + "HALVENMAR10.TXT"));
    // A cut first line is no state at all: 1234.5 followed by zeros must not read as 1234.5.
    EXPECT_EQ(OrderOf(11).status, StatusCode::Open);
    EXPECT_EQ(OrderOf(11).fillSize, 0);
    const std::vector<std::string> log = LogLines();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("parse error"), std::string::npos);
    EXPECT_LT(log[0].size(), 400u);
    plat::RemoveFile(outgoing + "HALVENMAR11.TXT");
    ExpectNoOrderLostSilently();
}

TEST_F(OutgoingFaults, BinaryGarbageNeverChangesAnOrderOrAPosition) {
    PlaceAndWrite(12);
    std::mt19937 random(20261209);
    for (int round = 0; round < 200; ++round) {
        std::string garbage(1 + random() % 300, '\0');
        for (char& c : garbage) {
            c = static_cast<char>(random() % 256);
            if (c == ';') c = ':';  // without two ";" no line can parse
        }
        WriteOutgoing("HALVENMAR12.TXT", garbage);
        WriteOutgoing("ES 12-05_SIM101_POSITION.TXT", garbage);
        scanner.Scan();
        const Order order = OrderOf(12);
        ASSERT_EQ(order.status, StatusCode::Open);
        ASSERT_EQ(order.fillSize, 0);
        ASSERT_EQ(engine.positions.With([](PositionBook& p) { return p.Count(); }), 0);
    }
    for (const std::string& line : LogLines())
        EXPECT_NE(line.find("parse error"), std::string::npos) << line;
    ExpectNoOrderLostSilently();
}

// A file that keeps failing is logged once for each version of it, not at every scan; a
// rewritten file is a new version.
TEST_F(OutgoingFaults, PositionNameWithABlankSymbolAddsNoPositionAndIsLoggedOncePerChange) {
    WriteOutgoing("  GLOBEX_SIM101_POSITION.TXT", "LONG;2;1234.5\r\n");
    for (int scan = 0; scan < 3; ++scan) scanner.Scan();
    EXPECT_EQ(engine.positions.With([](PositionBook& p) { return p.Count(); }), 0);
    EXPECT_EQ(LogLines().size(), 1u);
    WriteOutgoing("  GLOBEX_SIM101_POSITION.TXT", "LONG;3;1234.5\r\n\r\n");
    for (int scan = 0; scan < 3; ++scan) scanner.Scan();
    EXPECT_EQ(engine.positions.With([](PositionBook& p) { return p.Count(); }), 0);
    const std::vector<std::string> log = LogLines();
    ASSERT_EQ(log.size(), 2u);
    for (const std::string& line : log)
        EXPECT_NE(line.find("> blank symbol or exchange"), std::string::npos) << line;
}

#ifndef _WIN32
// Folder links that lead back up the tree: the listing must end, and soon.
TEST_F(OutgoingFaults, FolderLinkLoopsEndTheListing) {
    PlaceAndWrite(13);
    ASSERT_EQ(symlink(".", (outgoing + "a").c_str()), 0);
    ASSERT_EQ(symlink(".", (outgoing + "b").c_str()), 0);
    ASSERT_EQ(symlink("..", (outgoing + "c").c_str()), 0);
    WriteOutgoing("HALVENMAR13.TXT", "PARTFILLED;1;99.5\r\n");
    scanner.Scan();
    EXPECT_EQ(OrderOf(13).status, StatusCode::PartFilled);
    EXPECT_EQ(OrderOf(13).fillPrice, 99.5);
    std::vector<std::string> files, folders;
    OutgoingScanner::ListFolderTree(location + plat::kPathDelimiter + "OUTGOING", files, folders);
    EXPECT_LE(folders.size(), 100u);
    EXPECT_EQ(files.front(), outgoing + "HALVENMAR13.TXT");  // its own files come first
}
#endif

}  // namespace ordersrv
