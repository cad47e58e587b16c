#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/CoalescingTarget.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "tests/support/QueueTarget.h"
#include "platform/Tick.h"

namespace ordersrv {

namespace {

std::string ScratchFolder(const std::string& name) {
    const std::string folder = plat::WithTrailingDelimiter(
        plat::FileNamePart(plat::ExecutablePath()) + "-" + name);
    plat::MakeFolder(folder);
    return folder;
}

TEST(DateTime, KnownDatesEncodeToOleDays) {
    EXPECT_DOUBLE_EQ(plat::EncodeDateTime({1899, 12, 30, 0, 0, 0}), 0.0);
    EXPECT_DOUBLE_EQ(plat::EncodeDateTime({2000, 1, 1, 0, 0, 0}), 36526.0);
    EXPECT_DOUBLE_EQ(plat::EncodeDateTime({2000, 1, 1, 12, 0, 0}), 36526.5);
    const plat::DateTimeParts p = plat::DecodeDateTime(plat::EncodeDateTime({2026, 2, 28, 23, 59, 59}));
    EXPECT_EQ(p.year, 2026);
    EXPECT_EQ(p.month, 2);
    EXPECT_EQ(p.day, 28);
    EXPECT_EQ(p.hour, 23);
    EXPECT_EQ(p.minute, 59);
    EXPECT_EQ(p.second, 59);
}

TEST(DateTime, NowIsThisCentury) {
    const double now = plat::NowDateTime();
    EXPECT_GT(now, 36526.0);
    EXPECT_LT(now, 73051.0);
}

TEST(QueueTarget, QueuesInOrderAndFailsOnDemand) {
    testsupport::QueueTarget target;
    EXPECT_EQ(target.Post(1, 2, 3), 0u);
    target.FailPostsWith(plat::kErrorInvalidWindowHandle);
    EXPECT_EQ(target.Post(4, 0, 0), plat::kErrorInvalidWindowHandle);
    target.FailPostsWith(0);
    EXPECT_EQ(target.Post(5, 0, 0), 0u);
    EXPECT_EQ(target.PostAttempts(), 3u);
    std::vector<uint32_t> seen;
    target.Pump([&](const testsupport::QueuedMessage& m) { seen.push_back(m.msg); });
    EXPECT_EQ(seen, (std::vector<uint32_t>{1, 5}));
    EXPECT_EQ(target.Count(), 0u);
}

std::vector<uint32_t> Received(testsupport::QueueTarget& receiver) {
    std::vector<uint32_t> seen;
    receiver.Pump([&](const testsupport::QueuedMessage& m) { seen.push_back(m.msg); });
    return seen;
}

TEST(CoalescingTarget, AFoldedMessageWaitsOnceUntilTakenOthersEachTime) {
    testsupport::QueueTarget receiver;
    plat::CoalescingTarget target(receiver, {7});
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(target.Post(7, 0, 0), 0u);  // a folded post reports itself as queued
        EXPECT_EQ(target.Post(8, 0, 0), 0u);
    }
    EXPECT_TRUE(target.Pending(7));
    target.Taken(7);
    EXPECT_FALSE(target.Pending(7));
    EXPECT_EQ(target.Post(7, 0, 0), 0u);
    EXPECT_EQ(Received(receiver), (std::vector<uint32_t>{7, 8, 8, 8, 7}));
}

TEST(CoalescingTarget, APostTheReceiverRefusesLeavesNoneOnItsWay) {
    const uint32_t kQueueFull = 1816;
    testsupport::QueueTarget receiver;
    plat::CoalescingTarget target(receiver, {7});
    receiver.FailPostsWith(kQueueFull);
    EXPECT_EQ(target.Post(7, 0, 0), kQueueFull);
    EXPECT_FALSE(target.Pending(7));
    receiver.FailPostsWith(0);
    EXPECT_EQ(target.Post(7, 0, 0), 0u);  // tried again, not folded into the refused one
    EXPECT_EQ(Received(receiver), std::vector<uint32_t>{7});
}

TEST(FileSystem, PathHelpers) {
    const std::string d(1, plat::kPathDelimiter);
    EXPECT_EQ(plat::WithTrailingDelimiter("a"), "a" + d);
    EXPECT_EQ(plat::WithTrailingDelimiter("a" + d), "a" + d);
    EXPECT_EQ(plat::WithTrailingDelimiter(""), "");
    EXPECT_EQ(plat::FileNamePart("x" + d + "y" + d + "HALVENMAR7.TXT"), "HALVENMAR7.TXT");
    EXPECT_EQ(plat::FileNamePart("plain.txt"), "plain.txt");
}

TEST(FileSystem, MoveNeverReplacesAndWriteReadsBack) {
    const std::string dir = ScratchFolder("move");
    const std::string a = dir + "a.tmp", b = dir + "b.txt";
    plat::RemoveFile(a);
    plat::RemoveFile(b);
    ASSERT_TRUE(plat::WriteWholeFile(a, "first\r\n"));
    ASSERT_TRUE(plat::WriteWholeFile(b, "taken"));
    EXPECT_FALSE(plat::MoveNoReplace(a, b));
    std::string content;
    ASSERT_TRUE(plat::ReadWholeFile(b, content));
    EXPECT_EQ(content, "taken");
    ASSERT_TRUE(plat::RemoveFile(b));
    EXPECT_TRUE(plat::MoveNoReplace(a, b));
    EXPECT_FALSE(plat::FileExists(a));
    ASSERT_TRUE(plat::ReadWholeFile(b, content));
    EXPECT_EQ(content, "first\r\n");
    EXPECT_FALSE(plat::ReadWholeFile(dir + "missing.txt", content));
    EXPECT_TRUE(plat::FolderExists(dir));
    EXPECT_FALSE(plat::FileExists(dir));
    EXPECT_FALSE(plat::FolderExists(b));
}

TEST(FileSystem, ListsEntriesWithKinds) {
    const std::string dir = ScratchFolder("list");
    plat::WriteWholeFile(dir + "one.txt", "1");
    plat::MakeFolder(dir + "sub");
    std::vector<plat::FolderEntry> entries;
    ASSERT_TRUE(plat::ListFolder(dir, entries));
    auto find = [&](const std::string& n) {
        return std::find_if(entries.begin(), entries.end(),
                            [&](const plat::FolderEntry& e) { return e.name == n; });
    };
    ASSERT_NE(find("one.txt"), entries.end());
    EXPECT_FALSE(find("one.txt")->isFolder);
    ASSERT_NE(find("sub"), entries.end());
    EXPECT_TRUE(find("sub")->isFolder);
    EXPECT_EQ(find("."), entries.end());
    EXPECT_EQ(find(".."), entries.end());
}

TEST(Tick, AdvancesWhileSleeping) {
    // Only that the counter moves: its granularity differs between systems.
    const uint32_t before = plat::TickCount();
    plat::SleepMs(50);
    EXPECT_GT(static_cast<uint32_t>(plat::TickCount() - before), 0u);
}

}  // namespace

}  // namespace ordersrv
