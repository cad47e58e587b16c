// Orders outlive the process: the journal the drain and the readers write, read back by the next
// run's start. Each run here is the server's core (engine, drain, scan) started from an
// executable path in a scratch folder, with the settings file and the journal beside it.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bridge/InstructionLines.h"
#include "bridge/InstructionWriter.h"
#include "bridge/OutgoingScanner.h"
#include "engine/Engine.h"
#include "engine/HostValue.h"
#include "engine/JournalRecord.h"
#include "engine/SettingsFile.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "tests/support/HeardChanges.h"
#include "tests/support/QueueTarget.h"
#include "tests/support/ScratchFolder.h"
#include "ui/StatusText.h"
#include "ui/ViewCells.h"
#include "workers/EventQueue.h"

namespace ordersrv {

namespace {

std::string ReadText(const std::string& path) {
    std::string content;
    plat::ReadWholeFile(path, content);
    return content;
}

std::vector<std::string> Lines(const std::string& content) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = content.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(content.substr(start, end - start));
    return lines;
}

// One run of the server's core, started as the server starts.
class ServerRun {
public:
    explicit ServerRun(const std::string& home) : events_(pool_), engine(window_, events_),
                                                    writer(engine), scanner(engine, writer) {
        engine.SetChangeListener(&heard);
        engine.Start(home + plat::kPathDelimiter + "OrderSrv.exe");
        engine.Connect({engine.settings.location, engine.settings.account, false});
    }
    ~ServerRun() { engine.SetChangeListener(nullptr); }

    void Place(int32_t refId, int32_t modifier = OrderModifierCode::Limit) {
        engine.router.NewOrder(HostValue::Text("ABC"), HostValue::Empty(), 0, HostValue::Empty(),
                               OrderTypeCode::Buy, TimeFrameCode::GTC, modifier, 2, 1234.5, refId);
    }
    // Status, fill size and fill price as GetOrderStatus answers them; status 4 when unknown.
    std::string Status(int32_t refId) {
        int32_t status = 0, filled = 0;
        double price = 0;
        if (!engine.router.GetOrderStatus(refId, status, filled, price)) return "unknown";
        return std::to_string(status) + " " + std::to_string(filled) + " " + std::to_string(price);
    }
    std::string StatusCell(int32_t position) {
        return engine.orders.With(
            [&](OrderBook& book) { return views::OrderColumnText(*book.ItemAt(position), 9); });
    }
    std::vector<std::string> Log() const {
        std::vector<std::string> lines;
        std::string line;
        for (size_t i = 0; engine.log.Line(i, line); ++i) lines.push_back(line);
        return lines;
    }

private:
    testsupport::QueueTarget window_;
    EventPool pool_{1000};
    EventQueue events_;

public:
    Engine engine;
    InstructionWriter writer;
    OutgoingScanner scanner;
    testsupport::HeardChanges heard;
};

class Journal : public ::testing::Test {
protected:
    Journal()
        : folder("journal"), home(folder.Path()), nt(home + kDelimiter + "nt"),
          incoming(nt + kDelimiter + "INCOMING" + kDelimiter),
          outgoing(nt + kDelimiter + "OUTGOING" + kDelimiter),
          journal(home + kDelimiter + "ORDERSRV-JOURNAL.TXT") {
        plat::MakeFolderTree(incoming);
        plat::MakeFolder(outgoing);
        Settings settings;
        settings.location = nt;
        settings.account = "SIM101";
        SaveSettingsFile(home + kDelimiter + "ORDERSRV.INI", settings);
    }

    static constexpr char kDelimiter = plat::kPathDelimiter;

    std::unique_ptr<ServerRun> Start() { return std::make_unique<ServerRun>(home); }

    // Every PLACE and CANCEL line NinjaTrader was given, in file order.
    std::vector<std::string> InstructionLines() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(incoming))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
            return a.size() != b.size() ? a.size() < b.size() : a < b;
        });
        std::vector<std::string> lines;
        for (const std::string& name : names)
            if (name.compare(0, 3, "OIF") == 0)
                for (const std::string& line : Lines(ReadText(incoming + name))) lines.push_back(line);
        return lines;
    }
    void WriteOutgoing(const std::string& name, const std::string& content) {
        ASSERT_TRUE(plat::WriteWholeFile(outgoing + name, content));
    }
    // The file as NinjaTrader would have left it an hour ago.
    void MakeOld(const std::string& path) {
        std::filesystem::last_write_time(
            path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    }

    testsupport::ScratchFolder folder;
    const std::string home, nt, incoming, outgoing, journal;
};

bool Contains(const std::vector<std::string>& lines, const std::string& part) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(part) != std::string::npos; });
}

TEST_F(Journal, EveryEventOfAnOrderIsOneLineAPersonCanRead) {
    auto run = Start();
    run->Place(7);
    run->writer.Drain();
    WriteOutgoing("HALVENMAR7.TXT", "PARTFILLED;1;1234.25\r\n");
    run->scanner.Scan();
    run->engine.router.CancelOrder(7);
    run->writer.Drain();
    const std::vector<std::string> lines = Lines(ReadText(journal));
    ASSERT_EQ(lines.size(), 7u) << ReadText(journal);
    EXPECT_NE(lines[0].find("\tstart\trun=1"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("\taccepted\tseq=0\trun=1\tref=7\taccount=SIM101\tsymbol=ABC\texpiry=\t"
                            "symtype=0\texchange=\taction=0\ttimeframe=1\tkind=1\tsize=2\tprice=1234.5"),
              std::string::npos)
        << lines[1];
    EXPECT_NE(lines[2].find("\tsent\tseq=0\tref=7\tfile=" + incoming + "OIF100.TXT\tstaged=" +
                            incoming + "stage-OIF100.TXT.tmp\tfiletime="),
              std::string::npos)
        << lines[2];
    EXPECT_NE(lines[2].find("\tline=PLACE;SIM101;ABC;BUY;2;LIMIT;1234.500000;1234.500000;GTC;;"
                            "HALVENMAR7;;"),
              std::string::npos)
        << lines[2];
    EXPECT_NE(lines[3].find("\tpublished\tstaged=" + incoming + "stage-OIF100.TXT.tmp\tfile=" +
                            incoming + "OIF100.TXT"),
              std::string::npos)
        << lines[3];
    EXPECT_NE(lines[4].find("\tstate\tseq=0\tref=7\tstatus=2\tfilled=1\tprice=1234.25"),
              std::string::npos)
        << lines[4];
    EXPECT_NE(lines[5].find("\tsent\tseq=0\tref=7\tfile=" + incoming + "OIF101.TXT"),
              std::string::npos)
        << lines[5];
    EXPECT_NE(lines[5].find("\tline=CANCEL;;;;;;;;;;HALVENMAR7;;"), std::string::npos) << lines[5];
    EXPECT_NE(lines[6].find("\tpublished\t"), std::string::npos) << lines[6];
    // Each line begins with the local time to the millisecond.
    EXPECT_EQ(lines[1].find('\t'), std::string("yyyy-mm-dd hh:nn:ss.zzz").size()) << lines[1];
}

TEST_F(Journal, AnOrderAndItsFileAreOnTheDiskBeforeNinjaTraderCanSeeTheFile) {
    auto run = Start();
    std::string atPublication;
    run->writer.SetBeforePublish([&](const std::string&) { atPublication = ReadText(journal); });
    run->Place(7);
    run->writer.Drain();
    EXPECT_NE(atPublication.find("\taccepted\tseq=0\trun=1\tref=7\t"), std::string::npos)
        << atPublication;
    EXPECT_NE(atPublication.find("\tsent\tseq=0\tref=7\tfile=" + incoming + "OIF100.TXT\t"),
              std::string::npos)
        << atPublication;
}

TEST_F(Journal, WorkingOrdersOfAnEarlierRunComeBackAndHearWhatNinjaTraderWroteMeanwhile) {
    {
        auto run = Start();
        run->Place(7);
        run->Place(8);
        run->writer.Drain();
        WriteOutgoing("HALVENMAR7.TXT", "WORKING;0;0\r\n");
        WriteOutgoing("HALVENMAR8.TXT", "WORKING;0;0\r\n");
        run->scanner.Scan();
    }
    // While the server was down, NinjaTrader filled one order.
    WriteOutgoing("HALVENMAR7.TXT", "FILLED;2;1234.5\r\n");
    auto run = Start();
    run->heard.Take();
    EXPECT_EQ(run->Status(7), "0 0 0.000000");  // known before the first scan
    EXPECT_EQ(run->Status(8), "0 0 0.000000");
    EXPECT_EQ(run->StatusCell(0), "Open (earlier run)");
    run->scanner.Scan();
    EXPECT_EQ(run->Status(7), "1 2 1234.500000");
    EXPECT_EQ(run->heard.Take(), std::vector<std::string>{"OrderStatusChanged 7 1 2 1234.5"});
    EXPECT_FALSE(plat::FileExists(outgoing + "HALVENMAR7.TXT"));  // ended: deleted as always

    // An earlier run's working order can be cancelled from the application that placed it.
    run->engine.router.CancelOrder(8);
    run->writer.Drain();
    EXPECT_EQ(InstructionLines().back(), CancelLine(8));
}

// NinjaTrader's state file of an ended order is its only word on the fill: the file goes only
// once the journal holds what it said, so that a kill in between cannot lose the fill.
TEST_F(Journal, AnEndedOrdersFileGoesOnlyOnceTheJournalHoldsItsState) {
    auto run = Start();
    run->Place(7);
    run->writer.Drain();
    const std::string file = outgoing + "HALVENMAR7.TXT";
    std::vector<bool> fileThereWhenRecorded;
    run->engine.journal.SetClock([&] {
        fileThereWhenRecorded.push_back(plat::FileExists(file));
        return plat::NowDateTime();
    });
    WriteOutgoing("HALVENMAR7.TXT", "FILLED;2;1234.5\r\n");
    run->scanner.Scan();
    EXPECT_EQ(run->Status(7), "1 2 1234.500000");
    EXPECT_FALSE(plat::FileExists(file));
    EXPECT_TRUE(Contains(Lines(ReadText(journal)), "\tstate\tseq=0\tref=7\tstatus=1\tfilled=2"));
    EXPECT_EQ(fileThereWhenRecorded, std::vector<bool>{true});
}

// Hosts place orders while the drain runs: an order whose action the drain takes has its
// "accepted" record before its line, however late it came.
TEST_F(Journal, AnOrderPlacedWhileTheDrainRunsIsJournaledBeforeItsLine) {
    {
        auto run = Start();
        run->Place(7);
        int looks = 0;
        run->writer.SetTickSource([&] {
            if (++looks == 2) run->Place(8);  // the drain's second look at the clock
            return 1000u;
        });
        run->writer.Drain();
        ASSERT_NE(InstructionLines().back().find("HALVENMAR8"), std::string::npos);
    }
    auto run = Start();
    EXPECT_EQ(run->Status(8), "0 0 0.000000");  // NinjaTrader has its line: it stays Open
}

// Where the last run stopped decides, order by order: a line NinjaTrader may have read stays
// Open until it says otherwise; one it cannot have read is Rejected and never sent later.
TEST_F(Journal, EachWayARunCanStopHasOneAnswer) {
    {
        auto run = Start();
        run->Place(1);  // published, and its record of that written
        run->writer.Drain();
        run->Place(2);  // published, but stopped before the record of that
        run->writer.SetBeforePublish([&](const std::string&) { run->engine.journal.Sync(); });
        run->writer.Drain();
        run->Place(3);  // staged, stopped before the rename
        run->writer.SetBeforePublish([](const std::string&) { throw std::runtime_error("stop"); });
        EXPECT_THROW(run->writer.Drain(), std::runtime_error);
        run->engine.Disconnect();
        run->Place(4);  // accepted while not connected
        run->scanner.Scan();
    }
    // The record of order 2's publication never reached the journal.
    std::string content = ReadText(journal);
    const size_t published = content.find("\tpublished\tstaged=" + incoming + "stage-OIF101.TXT.tmp");
    ASSERT_NE(published, std::string::npos);
    const size_t lineStart = content.rfind("\r\n", published) + 2;
    content.erase(lineStart, content.find("\r\n", published) + 2 - lineStart);
    ASSERT_TRUE(plat::WriteWholeFile(journal, content));
    ASSERT_TRUE(plat::FileExists(incoming + "stage-OIF102.TXT.tmp"));
    const std::vector<std::string> sent = InstructionLines();

    auto run = Start();
    EXPECT_EQ(run->Status(1), "0 0 0.000000");
    EXPECT_EQ(run->Status(2), "0 0 0.000000");
    EXPECT_EQ(run->Status(3), "8 0 0.000000");
    EXPECT_EQ(run->Status(4), "8 0 0.000000");
    EXPECT_FALSE(plat::FileExists(incoming + "stage-OIF102.TXT.tmp"));
    EXPECT_TRUE(Contains(run->Log(), "1 orders of an earlier run were never written to INCOMING"));
    EXPECT_TRUE(Contains(run->Log(), "1 orders of an earlier run were staged but never published"));
    run->writer.Drain();
    EXPECT_EQ(InstructionLines(), sent);  // nothing is sent again, late or twice

    // The next start reads the same answers back.
    run.reset();
    run = Start();
    EXPECT_EQ(run->Status(2), "0 0 0.000000");
    EXPECT_EQ(run->Status(3), "8 0 0.000000");
    EXPECT_FALSE(Contains(run->Log(), "never"));
}

// A start stopped before its answers reached the journal must not have destroyed their
// evidence: a staged file goes only once the journal says its order never went out.
TEST_F(Journal, AStagedFileStaysUntilTheJournalSaysItNeverWentOut) {
    {
        auto run = Start();
        run->Place(3);
        run->writer.SetBeforePublish([](const std::string&) { throw std::runtime_error("stop"); });
        EXPECT_THROW(run->writer.Drain(), std::runtime_error);
    }
    const std::string staged = incoming + "stage-OIF100.TXT.tmp";
    ASSERT_TRUE(plat::MakeFolder(journal + ".tmp"));  // the journal cannot be rewritten
    Start().reset();
    EXPECT_TRUE(plat::FileExists(staged));
    std::filesystem::remove(journal + ".tmp");
    auto run = Start();
    EXPECT_EQ(run->Status(3), "8 0 0.000000");
    EXPECT_FALSE(plat::FileExists(staged));
}

TEST_F(Journal, EndedOrdersStayAWeekWorkingOnesUntilTheyEnd) {
    const auto order = [](const char* day, int seq, int ref, const char* end) {
        return std::string(day) + " 10:00:00.000\taccepted\tseq=" + std::to_string(seq) +
               "\trun=1\tref=" + std::to_string(ref) +
               "\taccount=SIM101\tsymbol=ABC\texpiry=\tsymtype=0\texchange=\taction=0\ttimeframe=1"
               "\tkind=1\tsize=2\tprice=10\r\n" +
               day + " 10:00:00.100\tsent\tseq=" + std::to_string(seq) + "\tref=" +
               std::to_string(ref) + "\tfile=OIF1.TXT\tstaged=x" + std::to_string(seq) +
               "\tfiletime=1\tline=PLACE;x\r\n" + day + " 10:00:00.200\tpublished\tstaged=x" +
               std::to_string(seq) + "\tfile=OIF1.TXT\r\n" + end;
    };
    const double now = plat::NowDateTime();
    const std::string eightDaysAgo = JournalTimeText(now - 8).substr(0, 10);
    const std::string sixDaysAgo = JournalTimeText(now - 6).substr(0, 10);
    const std::string filled = "\tstate\tseq=%\tref=%\tstatus=1\tfilled=2\tprice=10\r\n";
    const auto filledLine = [&](const std::string& day, int seq, int ref) {
        std::string line = day + " 10:00:01.000" + filled;
        line.replace(line.find('%'), 1, std::to_string(seq));
        line.replace(line.find('%'), 1, std::to_string(ref));
        return line;
    };
    ASSERT_TRUE(plat::WriteWholeFile(
        journal, order(eightDaysAgo.c_str(), 0, 1, "") + filledLine(eightDaysAgo, 0, 1) +
                     order(eightDaysAgo.c_str(), 1, 2, "") +
                     order(sixDaysAgo.c_str(), 2, 3, "") + filledLine(sixDaysAgo, 2, 3)));
    auto run = Start();
    EXPECT_EQ(run->Status(1), "unknown");        // filled eight days ago: gone
    EXPECT_EQ(run->Status(2), "0 0 0.000000");   // working: kept however old
    EXPECT_EQ(run->Status(3), "1 2 10.000000");  // filled six days ago: its final status stays
    EXPECT_EQ(ReadText(journal).find("\tref=1\t"), std::string::npos);  // compacted at start
}

TEST_F(Journal, AReferenceUsedAgainStartsAfreshAndPassesOverTheEarlierOrdersFile) {
    {
        auto run = Start();
        run->Place(7);
        run->writer.Drain();
        WriteOutgoing("HALVENMAR7.TXT", "PARTFILLED;1;1200\r\n");
        run->scanner.Scan();
    }
    MakeOld(outgoing + "HALVENMAR7.TXT");  // NinjaTrader's file of the earlier order
    auto run = Start();
    run->Place(7);
    EXPECT_EQ(run->Status(7), "0 0 0.000000");  // the new order, not the earlier one's fills
    run->writer.Drain();
    run->scanner.Scan();
    run->scanner.Scan();
    EXPECT_EQ(run->Status(7), "0 0 0.000000");
    EXPECT_EQ(run->StatusCell(0), "Superseded (earlier run)");
    const std::vector<std::string> log = run->Log();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& line) {
                                return line.find("Order Status <HALVENMAR7.TXT> passed over") == 0;
                            }),
              1);
    // NinjaTrader's first word about the new order.
    WriteOutgoing("HALVENMAR7.TXT", "FILLED;2;1234.5\r\n");
    run->scanner.Scan();
    EXPECT_EQ(run->Status(7), "1 2 1234.500000");
}

TEST_F(Journal, ALastLineCutByAKillIsLeftOut) {
    {
        auto run = Start();
        run->Place(7);
        run->writer.Drain();
    }
    // A record cut in its price, without its line end: read as it stands, it would make the
    // order Filled at 12.
    ASSERT_TRUE(plat::WriteWholeFile(journal, ReadText(journal) + "2026-12-01 10:00:00.000\tstate"
                                                                  "\tseq=0\tref=7\tstatus=1\tfilled=2\tprice=12"));
    auto run = Start();
    EXPECT_EQ(run->Status(7), "0 0 0.000000");
    EXPECT_TRUE(Contains(run->Log(), "its last line was cut off"));
    run->Place(9);  // and orders go out as before
    run->writer.Drain();
    EXPECT_TRUE(Contains(InstructionLines(), ";HALVENMAR9;"));
}

TEST_F(Journal, ADamagedJournalIsMovedAsideAndTheRunStartsWithAnEmptyBook) {
    {
        auto run = Start();
        run->Place(7);
        run->writer.Drain();
    }
    ASSERT_TRUE(plat::WriteWholeFile(journal, "garbage\r\n" + ReadText(journal)));
    auto run = Start();
    EXPECT_EQ(run->Status(7), "unknown");
    EXPECT_TRUE(Contains(run->Log(), "is damaged (line 1 cannot be read): moved aside as <"));
    size_t asides = 0;
    for (const auto& entry : std::filesystem::directory_iterator(home))
        asides += entry.path().filename().string().find(".unreadable") != std::string::npos;
    EXPECT_EQ(asides, 1u);
    run->Place(9);  // and the new journal works
    run->writer.Drain();
    EXPECT_NE(ReadText(journal).find("\tref=9\t"), std::string::npos);
    EXPECT_TRUE(Contains(InstructionLines(), ";HALVENMAR9;"));
}

#ifndef _WIN32
// The user's local data folder, for one test (natively XDG_DATA_HOME names it).
class LocalDataFolderSetTo {
public:
    explicit LocalDataFolderSetTo(const std::string& folder) {
        if (const char* before = std::getenv("XDG_DATA_HOME")) before_ = before, had_ = true;
        setenv("XDG_DATA_HOME", folder.c_str(), 1);
    }
    ~LocalDataFolderSetTo() {
        if (had_) setenv("XDG_DATA_HOME", before_.c_str(), 1);
        else unsetenv("XDG_DATA_HOME");
    }

private:
    std::string before_;
    bool had_ = false;
};

// A journal that cannot be beside the settings file (here a folder stands in its place) goes to
// the user's local data folder, where the About page says it is.
TEST_F(Journal, GoesToTheLocalDataFolderWhenItCannotBeBesideTheSettings) {
    const std::string data = home + kDelimiter + "data";
    const LocalDataFolderSetTo local(data);
    ASSERT_TRUE(plat::MakeFolder(journal));
    auto run = Start();
    const std::string there =
        data + kDelimiter + "OrderServer" + kDelimiter + "ORDERSRV-JOURNAL.TXT";
    EXPECT_EQ(run->engine.journal.Path(), there);
    EXPECT_EQ(views::JournalLineText(run->engine.journal.On(), run->engine.journal.Path()),
              "Order journal: " + there);
    run->Place(9);
    run->writer.Drain();
    EXPECT_NE(ReadText(there).find("\tref=9\t"), std::string::npos);
}

// Nowhere to write it: the run starts, says the journal is off, and its orders go out.
TEST_F(Journal, AJournalThatCannotBeWrittenAnywhereCostsNoOrder) {
    const std::string notAFolder = home + kDelimiter + "data";
    ASSERT_TRUE(plat::WriteWholeFile(notAFolder, "a file"));
    const LocalDataFolderSetTo local(notAFolder);
    ASSERT_TRUE(plat::MakeFolder(journal));
    auto run = Start();
    EXPECT_TRUE(run->engine.journal.TurnedOff());
    EXPECT_TRUE(Contains(run->Log(), "Journal <" + journal + "> off: it cannot be written here"));
    run->Place(9);
    run->writer.Drain();
    EXPECT_TRUE(Contains(InstructionLines(), ";HALVENMAR9;"));
    EXPECT_EQ(run->Status(9), "0 0 0.000000");
}
#endif

#ifdef _WIN32
// A journal another program holds when the server starts (one that has just ended, a virus
// scanner) is waited for and never swapped for another one, which the next start would not read.
TEST_F(Journal, AJournalHeldByAnotherProgramIsNotSwappedForAnother) {
    Start().reset();
    HANDLE held = CreateFileA(journal.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    auto run = Start();
    CloseHandle(held);
    EXPECT_EQ(run->engine.journal.Path(), journal);
    EXPECT_TRUE(run->engine.journal.TurnedOff());
    EXPECT_TRUE(Contains(run->Log(), "it is there but cannot be opened"));
}
#endif

#ifndef _WIN32
// A full disk in the middle of a run: the order still goes out, and the trader is told.
TEST_F(Journal, AJournalThatCannotBeWrittenCostsNoOrder) {
    auto run = Start();
    for (int32_t ref = 1; ref <= 200; ++ref) run->Place(ref);
    run->writer.Drain();
    const auto size = std::filesystem::file_size(journal);
    ASSERT_GT(size, 4096u);
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    const auto ignoreBefore = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = before;
    limit.rlim_cur = size;  // the journal may not grow; an instruction file is far smaller
    setrlimit(RLIMIT_FSIZE, &limit);
    run->Place(300);
    run->writer.DrainBeforeEnd();
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, ignoreBefore);
    EXPECT_EQ(InstructionLines().back(), PlaceLine(run->engine.orders.With([](OrderBook& b) {
                  return *b.FindByRefId(300);
              }),
                                                   run->engine.settings));
    EXPECT_TRUE(run->engine.journal.TurnedOff());
    EXPECT_TRUE(Contains(run->Log(), "Journal <" + journal + "> off: writing failed"));
}
#endif

}  // namespace

}  // namespace ordersrv
