// Faults on the INCOMING side: a folder that is missing or is not a folder, and an instruction
// file name that another writer takes between the choice of the name and the write.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/BridgeHarness.h"

namespace ordersrv {

namespace {

std::vector<std::string> EntriesOf(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

using IncomingFaults = testsupport::BridgeHarness;

#ifndef _WIN32  // chattr: a folder that refuses new entries even to the superuser the tests run as
// A locked-down NinjaTrader install where only INCOMING may be written.
TEST_F(IncomingFaults, ParentFolderThatRefusesNewEntriesStillReceivesEveryOrder) {
    Connect();
    if (std::system(("chattr +i '" + location + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "this file system cannot mark a folder immutable (chattr)";
    Place(1);
    Place(2);
    writer.Drain();
    std::system(("chattr -i '" + location + "'").c_str());

    EXPECT_EQ(InstructionLines().size(), 2u);
    EXPECT_TRUE(LogLines().empty());
    ExpectNoOrderLostSilently();
    EXPECT_EQ(EntriesOf(location), (std::vector<std::string>{"INCOMING", "OUTGOING"}));
    EXPECT_EQ(EntriesOf(incoming), std::vector<std::string>{"OIF100.TXT"});
}
#endif

// Only the orders and cancels of the file that could not be written end: those written before
// stay as they are.
TEST_F(IncomingFaults, MissingFolderRejectsTheDrainsOrdersWithOneLogLine) {
    uint32_t now = 0;
    writer.SetTickSource([&] { return now += 150; });  // the drains are far apart
    Place(1);
    Place(2);
    Connect();
    writer.Drain();  // OIF100.TXT goes out
    engine.router.CancelOrder(1);
    Place(3);
    std::filesystem::remove_all(incoming);
    window.TakeAll();
    heard.Take();
    writer.Drain();

    EXPECT_EQ(heard.Take(), std::vector<std::string>{"OrderStatusChanged 3 8 0 0"});
    EXPECT_EQ(OrderOf(1).status, StatusCode::Open);
    EXPECT_EQ(OrderOf(2).status, StatusCode::Open);
    EXPECT_GT(OrderOf(3).updateTime, 0.0);
    int32_t status = -1, size = -1;
    double price = -1;
    EXPECT_TRUE(engine.router.GetOrderStatus(3, status, size, price));
    EXPECT_EQ(status, StatusCode::Rejected);
    const std::string path = incoming + "OIF101.TXT";
    EXPECT_EQ(LogLines(), (std::vector<std::string>{
                              "ORDER FILE <" + path + "> write error: INCOMING folder missing",
                              "ORDER FILE <" + path + "> cancel of HALVENMAR1 not sent"}));
    EXPECT_EQ(MessagesPosted(WindowMessage::OrdersChanged), 1u);
    // Nothing was written beside INCOMING either.
    EXPECT_EQ(EntriesOf(location), std::vector<std::string>{"OUTGOING"});
}

TEST_F(IncomingFaults, NinjaTraderFolderGoneSinceTheStartRejectsToo) {
    engine.settings.location = location + plat::kPathDelimiter + "missing";
    Place(1);
    engine.connection.SetFolderPresent(true);  // it was there at start
    engine.Connect(CurrentEdits());
    writer.Drain();
    EXPECT_EQ(OrderOf(1).status, StatusCode::Rejected);
    ASSERT_EQ(LogLines().size(), 1u);
    EXPECT_EQ(LogLines()[0].rfind("ORDER FILE <", 0), 0u);
}

// A folder NinjaTrader's side made unwritable is modelled by a file in its place: the writes
// fail the same way, and it holds even where the tests run with rights that ignore attributes.
TEST_F(IncomingFaults, FolderThatIsAFileRejectsTheDrainsOrders) {
    std::filesystem::remove_all(incoming);
    ASSERT_TRUE(plat::WriteWholeFile(location + plat::kPathDelimiter + "INCOMING", "not a folder"));
    Connect();
    Place(3);
    writer.Drain();

    EXPECT_EQ(OrderOf(3).status, StatusCode::Rejected);
    EXPECT_EQ(LogLines().size(), 1u);
    ExpectNoOrderLostSilently();
    std::string content;
    ASSERT_TRUE(plat::ReadWholeFile(location + plat::kPathDelimiter + "INCOMING", content));
    EXPECT_EQ(content, "not a folder");
}

TEST_F(IncomingFaults, NameTakenByAnotherWriterMovesTheLinesToTheNextNumber) {
    Connect();
    Place(4);
    Place(5);
    // The drain reads the tick after it has chosen its name: the other writer strikes then.
    const std::string taken = incoming + "OIF100.TXT";
    bool struck = false;
    writer.SetTickSource([&] {
        if (!struck) struck = plat::WriteWholeFile(taken, "FOREIGN LINE\r\n");
        return 0u;
    });
    writer.Drain();

    ASSERT_TRUE(struck);
    std::string foreign;
    ASSERT_TRUE(plat::ReadWholeFile(taken, foreign));
    EXPECT_EQ(foreign, "FOREIGN LINE\r\n");  // never replaced
    std::string ours;
    ASSERT_TRUE(plat::ReadWholeFile(incoming + "OIF101.TXT", ours));
    EXPECT_EQ(ours, "PLACE;SIM101;ABC;BUY;2;LIMIT;1234.500000;1234.500000;DAY;;HALVENMAR4;;\r\n"
                    "PLACE;SIM101;ABC;BUY;2;LIMIT;1234.500000;1234.500000;DAY;;HALVENMAR5;;\r\n");
    EXPECT_EQ(OrderOf(4).status, StatusCode::Open);
    EXPECT_TRUE(LogLines().empty());
    ExpectNoOrderLostSilently({"OIF100.TXT"});
}

TEST_F(IncomingFaults, ManyNamesTakenStillWriteEachOrderOnce) {
    Connect();
    Place(6);
    // A writer that took a long run of names while the drain was busy.
    writer.SetTickSource([&] {
        for (int n = 100; n < 100 + 2 * InstructionWriter::kMoveAttempts + 2; ++n)
            plat::WriteWholeFile(incoming + "OIF" + std::to_string(n) + ".TXT", "FOREIGN\r\n");
        return 0u;
    });
    writer.Drain();

    std::vector<std::string> foreign;
    for (int n = 100; n < 100 + 2 * InstructionWriter::kMoveAttempts + 2; ++n)
        foreign.push_back("OIF" + std::to_string(n) + ".TXT");
    ExpectNoOrderLostSilently(foreign);
}

TEST_F(IncomingFaults, LocationThatIsAFileNeverConnectsAndScansNothing) {
    const std::string file = location + plat::kPathDelimiter + "NinjaTrader.exe";
    ASSERT_TRUE(plat::WriteWholeFile(file, "MZ"));
    engine.settings.location = file;
    Connect();
    EXPECT_FALSE(engine.connection.Connected());
    Place(7);
    writer.Drain();
    scanner.Scan();

    EXPECT_TRUE(engine.router.HasQueuedActions());  // kept for a later Connect, not lost
    EXPECT_EQ(OrderOf(7).status, StatusCode::Open);
    EXPECT_TRUE(LogLines().empty());
    std::vector<std::string> files, folders;
    OutgoingScanner::ListFolderTree(file + plat::kPathDelimiter + "OUTGOING", files, folders);
    EXPECT_TRUE(files.empty() && folders.empty());
    std::string content;
    ASSERT_TRUE(plat::ReadWholeFile(file, content));
    EXPECT_EQ(content, "MZ");
}

}  // namespace ordersrv
