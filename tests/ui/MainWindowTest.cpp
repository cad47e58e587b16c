// The real main window, created as the server creates it, driven through its controls, its
// notification-area menu and its close dialog.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "engine/WindowMessages.h"
#include "platform/FileSystem.h"
#include "tests/ui/WindowTestSupport.h"
#include "ui/ControlIds.h"
#include "engine/HostValue.h"
#include "server/ServerPieces.h"
#include "ui/MainWindow.h"
#include "engine/OrderJournal.h"
#include "engine/SettingsFile.h"
#include "ui/WindowScaler.h"
#include "workers/Scheduler.h"
#include "workers/Workers.h"

namespace ordersrv {

using namespace uitest;

namespace {

std::string TempFolder(const std::string& name) {
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    const std::string folder = std::string(base) + name + "-" + std::to_string(GetCurrentProcessId());
    plat::MakeFolder(folder);
    return folder;
}

std::string SettingsPath() {
    return SettingsFilePath(plat::ExecutablePath());
}

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartWorkers(); }

    void TearDown() override {
        if (form) form->mayEndApplication = nullptr;
        server.reset();
        form = nullptr;
        Pump(50);
        ResetQuitSeen();
        plat::RemoveFile(SettingsPath());
        plat::RemoveFile(OrderJournal::PathBeside(SettingsPath()));  // each test starts afresh
    }

    // Starts the window with a settings file naming `location`.
    void Start(const std::string& location, bool acceptOrders = true) {
        Settings settings;
        settings.location = location;
        settings.account = "SIM101";
        settings.acceptOrders = acceptOrders;
        settings.stopToStopLimit = false;
        SaveSettingsFile(SettingsPath(), settings);
        plat::RemoveFile(OrderJournal::PathBeside(SettingsPath()));
        server = std::make_unique<ServerPieces>(ProcessEventQueue());
        ASSERT_TRUE(server->Start(GetModuleHandleA(nullptr), plat::ExecutablePath(), ProcessScheduler()));
        form = server->window.get();
        hwnd = form->Handle();
        Pump(100);
    }

    // A NinjaTrader folder with its INCOMING and OUTGOING folders.
    std::string NinjaTraderFolder() {
        const std::string folder = TempFolder("ui-nt");
        plat::MakeFolder(folder + "\\INCOMING");
        plat::MakeFolder(folder + "\\OUTGOING");
        return folder;
    }

    std::string MissingFolder() { return TempFolder("ui-none") + "\\not-there"; }

    std::string Status() { return ControlText(hwnd, ControlId::StatusText); }
    HWND Control(int id) { return FindControl(hwnd, id); }

    void Click(int id) { SendMessageA(Control(id), BM_CLICK, 0, 0); }

    void PlaceOrder(int32_t ref, int32_t modifier = 0, double price = 0.0) {
        engine().router.NewOrder(HostValue::Text("IBM"), HostValue::Text(""), 0,
                                 HostValue::Text("DEMO"), 0, 0, modifier, 100, price, ref);
    }

    // Opens the notification-area menu with a right click on the icon, lets `inspect` look at
    // it, then chooses the item reached with `keys` (VK_RETURN is added) or closes it.
    void UseTrayMenu(const std::function<void(HMENU)>& inspect, std::initializer_list<WPARAM> keys) {
        std::atomic<bool> finished{false}, seen{false};
        std::thread helper([&] {
            HWND menu = WaitForWindow("#32768", nullptr);
            if (menu) {
                DWORD_PTR handle = 0;
                SendMessageTimeoutA(menu, MN_GETHMENU, 0, 0, SMTO_BLOCK, 2000, &handle);
                inspect(reinterpret_cast<HMENU>(handle));
                for (WPARAM key : keys) PostMessageA(menu, WM_KEYDOWN, key, 0);
                PostMessageA(menu, WM_KEYDOWN, keys.size() ? VK_RETURN : VK_ESCAPE, 0);
                seen = true;
            }
            finished = true;
        });
        PostMessageA(hwnd, WindowMessage::TrayNotify, 0, WM_RBUTTONDOWN);
        PumpUntil([&] { return finished.load(); }, 10000);
        helper.join();
        Pump(200);
        ASSERT_TRUE(seen) << "the menu did not open";
    }

    // Asks to close the window and answers the confirmation with `button` (IDYES or IDNO), or
    // with the Escape key for 0.
    void CloseAnswering(int button) {
        std::atomic<bool> answered{false};
        std::thread helper([&] {
            HWND dialog = WaitForWindow("#32770", "Confirm");
            if (dialog) {
                if (button)
                    PostMessageA(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
                else
                    PostMessageA(GetDlgItem(dialog, IDYES), WM_KEYDOWN, VK_ESCAPE, 0);
                answered = true;
            }
        });
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
        PumpUntil([&] { return answered.load(); }, 8000);
        helper.join();
        Pump(300);
        ASSERT_TRUE(answered) << "no confirmation dialog";
        EXPECT_EQ(FindWindowA("#32770", "Confirm"), nullptr) << "the dialog is still open";
    }

    Engine& engine() { return server->engine; }

    std::unique_ptr<ServerPieces> server;
    MainWindow* form = nullptr;
    HWND hwnd = nullptr;
};

}  // namespace

TEST_F(MainWindowTest, StartsInTheNotificationAreaWithoutNinjaTrader) {
    ASSERT_NO_FATAL_FAILURE(Start(MissingFolder()));
    EXPECT_EQ(Status(), "NT (n/a) / Halvenmar (off)");
    EXPECT_TRUE(form->TrayIconShown());
    EXPECT_FALSE(form->TrayShowsReadyIcon());
    EXPECT_EQ(form->TrayTip(), "OrderServer (NT) - NT (n/a) / Halvenmar (off)");
    EXPECT_EQ(TextOf(hwnd), "Halvenmar Order Server (NT)");
    // Minimised, without a taskbar button.
    EXPECT_TRUE(IsIconic(hwnd));
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(ControlText(hwnd, ControlId::OrdersText), "0/0");
    EXPECT_EQ(ControlText(hwnd, ControlId::PositionsText), "0");

    form->RestoreWindow();
    Pump(100);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    Click(ControlId::ConnectButton);  // only the status line is refreshed
    EXPECT_EQ(Status(), "NT (n/a) / Halvenmar (off)");
    EXPECT_FALSE(engine().connection.Connected());
}

TEST_F(MainWindowTest, ConnectsAtStartAndFollowsDisconnectAndConnect) {
    ASSERT_NO_FATAL_FAILURE(Start(NinjaTraderFolder()));
    EXPECT_EQ(Status(), "NT (on) / Halvenmar (off)");
    EXPECT_TRUE(form->TrayShowsReadyIcon());
    form->RestoreWindow();
    Pump(100);

    Click(ControlId::DisconnectButton);
    EXPECT_EQ(Status(), "NT (off) / Halvenmar (off)");
    EXPECT_FALSE(form->TrayShowsReadyIcon());
    EXPECT_EQ(form->TrayTip(), "OrderServer (NT) - NT (off) / Halvenmar (off)");

    Click(ControlId::ConnectButton);
    EXPECT_EQ(Status(), "NT (on) / Halvenmar (off)");
    EXPECT_TRUE(form->TrayShowsReadyIcon());
}

TEST_F(MainWindowTest, OrdersCounterAfterThreeOrders) {
    ASSERT_NO_FATAL_FAILURE(Start(NinjaTraderFolder()));
    for (int32_t ref : {1, 2, 3}) PlaceOrder(ref);
    // The counters follow the status refresh after the place lines were written.
    EXPECT_TRUE(PumpUntil([&] { return ControlText(hwnd, ControlId::OrdersText) == "3/0"; }))
        << ControlText(hwnd, ControlId::OrdersText);
    EXPECT_EQ(Status().substr(0, 21), "NT (on) / Halvenmar (");
}

// The status line follows the work itself: position files NinjaTrader writes and a host calling,
// with no connect, disconnect or place line to refresh it.
TEST_F(MainWindowTest, CountersAndHostTimeFollowTheBooksAndTheHostCalls) {
    const std::string folder = NinjaTraderFolder();
    ASSERT_NO_FATAL_FAILURE(Start(folder));
    EXPECT_NE(Status().find("Halvenmar (off)"), std::string::npos) << Status();
    for (const char* symbol : {"ES", "NQ"}) {
        std::ofstream(folder + "\\OUTGOING\\" + symbol + " 12-05_SIM101_POSITION.TXT")
            << "LONG;2;1234.5\r\n";
    }
    EXPECT_TRUE(PumpUntil([&] { return ControlText(hwnd, ControlId::PositionsText) == "2"; }))
        << ControlText(hwnd, ControlId::PositionsText);

    int32_t status = 0, fillSize = 0;
    double fillPrice = 0;
    engine().router.GetOrderStatus(1, status, fillSize, fillPrice);
    EXPECT_TRUE(PumpUntil([&] { return Status().find("Halvenmar (off)") == std::string::npos; }))
        << Status();
}

TEST_F(MainWindowTest, AboutPageCountsTheScansAndSaysWhetherOutgoingIsWatched) {
    ASSERT_NO_FATAL_FAILURE(Start(NinjaTraderFolder()));
    const auto scans = [&] { return ControlText(hwnd, ControlId::ScansLabel); };
    EXPECT_TRUE(PumpUntil([&] { return scans().find("scans, watched") != std::string::npos; }))
        << scans();
    const std::string before = scans();
    EXPECT_TRUE(PumpUntil([&] { return scans() != before; })) << "the count stands still";

    server.reset();
    ASSERT_NO_FATAL_FAILURE(Start(MissingFolder()));
    EXPECT_TRUE(PumpUntil([&] { return scans().find("not watched (periodic scan only)") != std::string::npos; }))
        << scans();
}

namespace {

const ScheduledJob* ScanJobOf(const std::vector<ScheduledJob>& jobs,
                                    plat::MessageTarget* target) {
    for (const ScheduledJob& job : jobs)
        if (job.messageId == static_cast<int32_t>(WindowMessage::ScanOutgoing) &&
            job.target == target)
            return &job;
    return nullptr;
}

}  // namespace

// Every 100 ms the scheduler asks whether a listing of OUTGOING is due, and posts a scan only
// then.
TEST_F(MainWindowTest, AsksForAScanEveryHundredMillisecondsWhileTheWindowLives) {
    ASSERT_NO_FATAL_FAILURE(Start(MissingFolder()));
    // The job posts to the window: find it by its message among the scheduler's jobs.
    const auto jobs = ProcessScheduler().Jobs();
    const ScheduledJob* scan = nullptr;
    for (const ScheduledJob& job : jobs)
        if (job.messageId == static_cast<int32_t>(WindowMessage::ScanOutgoing) && job.enabled)
            scan = &job;
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->interval, 100);
    EXPECT_EQ(scan->retryMode, RetryMode::Drop);
    ASSERT_NE(scan->guard, nullptr);
    EXPECT_TRUE(scan->guard(scan->data)) << "OUTGOING is missing, so not watched: due at once";
    plat::MessageTarget* target = scan->target;
    ASSERT_TRUE(target->HasHandle());

    // Once the window is gone the job may not reach it any more.
    server->window.reset();
    form = nullptr;
    const auto after = ProcessScheduler().Jobs();
    const ScheduledJob* withdrawn = ScanJobOf(after, target);
    EXPECT_TRUE(withdrawn == nullptr || !withdrawn->enabled);
}

TEST_F(MainWindowTest, ScanAndLogRequestsPiledUpAheadOfAnOrderCostOneScanAtMost) {
    const std::string nt = NinjaTraderFolder();
    ASSERT_NO_FATAL_FAILURE(Start(nt));
    PlaceOrder(1);
    ASSERT_TRUE(PumpUntil([&] { return plat::FileExists(nt + "\\INCOMING\\OIF100.TXT"); }));

    // Log lines added while the window is busy announce themselves once.
    for (int i = 0; i < 1000; ++i) engine().log.Add("busy");
    MSG msg;
    int refreshes = 0;
    while (PeekMessageA(&msg, hwnd, WindowMessage::LogLinesPending,
                        WindowMessage::LogLinesPending, PM_REMOVE))
        ++refreshes;
    EXPECT_EQ(refreshes, 1);

    // A backlog of scan and log requests ahead of an order's drain: one scan, then the order.
    const uint64_t scans = server->scanner.ScanCount();
    for (int i = 0; i < 3000; ++i) {
        PostMessageA(hwnd, WindowMessage::ScanOutgoing, 0, 0);
        PostMessageA(hwnd, WindowMessage::LogLinesPending, 0, 0);
    }
    PlaceOrder(2);
    ASSERT_TRUE(PumpUntil([&] { return plat::FileExists(nt + "\\INCOMING\\OIF101.TXT"); }));
    EXPECT_LE(server->scanner.ScanCount() - scans, 3u) << "scans ran ahead of the order";
}

// Windows ends the process right after the session's end: the orders queued at that moment are
// written before the window answers, not left for a drain that would never come.
TEST_F(MainWindowTest, SessionEndWritesTheQueuedOrdersBeforeAnswering) {
    const std::string nt = NinjaTraderFolder();
    ASSERT_NO_FATAL_FAILURE(Start(nt));
    EXPECT_EQ(SendMessageA(hwnd, WM_QUERYENDSESSION, 0, 0), TRUE);
    for (int32_t ref : {1, 2, 3}) PlaceOrder(ref);
    SendMessageA(hwnd, WM_ENDSESSION, TRUE, 0);  // no message is pumped in between
    std::string content;
    ASSERT_TRUE(plat::ReadWholeFile(nt + "\\INCOMING\\OIF100.TXT", content));
    for (const char* id : {";HALVENMAR1;", ";HALVENMAR2;", ";HALVENMAR3;"})
        EXPECT_NE(content.find(id), std::string::npos) << id;
}

TEST_F(MainWindowTest, TipLongerThanTheFieldIsCut) {
    ASSERT_NO_FATAL_FAILURE(Start(MissingFolder()));
    form->UpdateTrayIcon(false, std::string(80, 'x'));
    EXPECT_EQ(form->TrayTip(), "OrderServer (NT) - " + std::string(44, 'x'));
}

TEST_F(MainWindowTest, MenuAcceptOrdersGoesThroughTheCheckBox) {
    ASSERT_NO_FATAL_FAILURE(Start(MissingFolder()));
    ASSERT_TRUE(IsChecked(Control(ControlId::AcceptOrders)));
    UINT acceptState = 0, showState = 0;
    UseTrayMenu(
        [&](HMENU menu) {
            acceptState = GetMenuState(menu, MenuId::AcceptOrders, MF_BYCOMMAND);
            showState = GetMenuState(menu, MenuId::Show, MF_BYCOMMAND);
        },
        {VK_DOWN});
    EXPECT_TRUE(acceptState & MF_CHECKED);
    EXPECT_FALSE(showState & MF_GRAYED) << "Show is offered while the window is minimised";
    EXPECT_FALSE(IsChecked(Control(ControlId::AcceptOrders)));
    EXPECT_FALSE(engine().settings.acceptOrders);

    // Next opening: no check mark; with the window shown, Show is not offered.
    form->RestoreWindow();
    Pump(100);
    UseTrayMenu(
        [&](HMENU menu) {
            acceptState = GetMenuState(menu, MenuId::AcceptOrders, MF_BYCOMMAND);
            showState = GetMenuState(menu, MenuId::Show, MF_BYCOMMAND);
        },
        {});
    EXPECT_FALSE(acceptState & MF_CHECKED);
    EXPECT_TRUE(showState & MF_GRAYED);

    // The check box itself sets the switch back on.
    Click(ControlId::AcceptOrders);
    EXPECT_TRUE(engine().settings.acceptOrders);
}

TEST_F(MainWindowTest, ExitThenNoKeepsEverything) {
    ASSERT_NO_FATAL_FAILURE(Start(MissingFolder()));
    std::string before, after;
    ASSERT_TRUE(plat::ReadWholeFile(SettingsPath(), before));
    SetWindowTextA(Control(ControlId::AccountEdit), "EDITED");
    CloseAnswering(IDNO);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_TRUE(form->TrayIconShown());
    EXPECT_FALSE(QuitSeen());
    ASSERT_TRUE(plat::ReadWholeFile(SettingsPath(), after));
    EXPECT_EQ(after, before);  // nothing saved
    EXPECT_EQ(engine().settings.account, "SIM101");
}

TEST_F(MainWindowTest, EscapeAnswersNo) {
    ASSERT_NO_FATAL_FAILURE(Start(MissingFolder()));
    CloseAnswering(0);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_TRUE(form->TrayIconShown());
    EXPECT_FALSE(QuitSeen());
}

TEST_F(MainWindowTest, ExitThenYesSavesTheSettingsAndEnds) {
    const std::string folder = MissingFolder();
    ASSERT_NO_FATAL_FAILURE(Start(folder));
    SetWindowTextA(Control(ControlId::AccountEdit), "  EDITED  ");
    SendMessageA(Control(ControlId::StopToStopLimit), BM_SETCHECK, BST_CHECKED, 0);
    int asked = 0;
    form->mayEndApplication = [&] {
        ++asked;
        return true;
    };
    plat::RemoveFile(SettingsPath());
    CloseAnswering(IDYES);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(form->TrayIconShown());
    EXPECT_TRUE(QuitSeen());
    std::string content;
    ASSERT_TRUE(plat::ReadWholeFile(SettingsPath(), content));
    EXPECT_EQ(content, "Account=EDITED\r\nLocation=" + folder +
                           "\r\nAcceptOrders=1\r\nStopToStopLimit=1\r\n");
}

TEST_F(MainWindowTest, MenuExitThenYesEnds) {
    ASSERT_NO_FATAL_FAILURE(Start(MissingFolder()));
    std::atomic<bool> answered{false};
    std::thread answer([&] {
        HWND dialog = WaitForWindow("#32770", "Confirm", 8000);
        if (dialog) {
            PostMessageA(GetDlgItem(dialog, IDYES), BM_CLICK, 0, 0);
            answered = true;
        }
    });
    UseTrayMenu([](HMENU) {}, {VK_UP});  // the last item, Exit
    PumpUntil([&] { return answered.load(); }, 8000);
    answer.join();
    Pump(300);
    EXPECT_TRUE(answered);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(form->TrayIconShown());
    EXPECT_TRUE(QuitSeen());
}

namespace {

BOOL CALLBACK CountConfirmation(HWND window, LPARAM counter) {
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (IsWindowVisible(window) && std::string(cls) == "#32770" && TextOf(window) == "Confirm")
        ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

int OpenConfirmations() {
    int count = 0;
    EnumWindows(CountConfirmation, reinterpret_cast<LPARAM>(&count));
    return count;
}

}  // namespace

// A second close (window button or tray menu) while the question is open asks nothing more;
// the one answer decides, and a Yes saves the settings once, whole.
TEST_F(MainWindowTest, CloseRequestsWhileTheQuestionIsOpenAskNothingMore) {
    const std::string folder = MissingFolder();
    ASSERT_NO_FATAL_FAILURE(Start(folder));
    for (const int answer : {IDNO, IDYES}) {
        std::atomic<bool> answered{false};
        std::atomic<int> boxes{0};
        std::thread helper([&] {
            HWND dialog = WaitForWindow("#32770", "Confirm", 8000);
            if (!dialog) return;
            PostMessageA(hwnd, WM_CLOSE, 0, 0);
            PostMessageA(hwnd, WM_COMMAND, MenuId::Exit, 0);
            Sleep(500);
            boxes = OpenConfirmations();
            PostMessageA(GetDlgItem(dialog, answer), BM_CLICK, 0, 0);
            answered = true;
        });
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
        PumpUntil([&] { return answered.load(); }, 10000);
        helper.join();
        Pump(500);
        ASSERT_TRUE(answered) << "no confirmation dialog";
        EXPECT_EQ(boxes, 1);
        EXPECT_EQ(OpenConfirmations(), 0);
        if (answer == IDNO) {
            EXPECT_TRUE(IsWindow(hwnd));
            EXPECT_FALSE(QuitSeen());
            plat::RemoveFile(SettingsPath());
        }
    }
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(QuitSeen());
    std::string content;
    ASSERT_TRUE(plat::ReadWholeFile(SettingsPath(), content));
    EXPECT_EQ(content,
              "Account=SIM101\r\nLocation=" + folder + "\r\nAcceptOrders=1\r\nStopToStopLimit=0\r\n");
}

TEST_F(MainWindowTest, DoubleClickOnTheIconShowsTheWindowAndMinimisingHidesIt) {
    ASSERT_NO_FATAL_FAILURE(Start(MissingFolder()));
    PostMessageA(hwnd, WindowMessage::TrayNotify, 0, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(hwnd) && !IsIconic(hwnd); }));
    ShowWindow(hwnd, SW_MINIMIZE);
    Pump(100);
    EXPECT_TRUE(IsIconic(hwnd));
    EXPECT_FALSE(IsWindowVisible(hwnd)) << "no taskbar button while minimised";
}

TEST_F(MainWindowTest, RefusedEndKeepsTheWindowReachable) {
    ASSERT_NO_FATAL_FAILURE(Start(MissingFolder()));
    form->mayEndApplication = [] { return false; };
    CloseAnswering(IDYES);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_FALSE(QuitSeen());
    EXPECT_TRUE(form->TrayIconShown());
    EXPECT_TRUE(plat::FileExists(SettingsPath()));
}

TEST_F(MainWindowTest, OrdersViewListsTheNewestFirst) {
    ASSERT_NO_FATAL_FAILURE(Start(MissingFolder()));
    PlaceOrder(5);
    PlaceOrder(6, 1 /* limit */, 12.5);
    PlaceOrder(7);
    HWND view = Control(ControlId::OrdersView);
    ASSERT_TRUE(PumpUntil([&] { return ListView_GetItemCount(view) == 3; }));
    EXPECT_EQ(ListCell(view, 0, 1), "7");
    EXPECT_EQ(ListCell(view, 1, 1), "6");
    EXPECT_EQ(ListCell(view, 2, 1), "5");
    EXPECT_EQ(ListCell(view, 0, 3), "Buy Mkt");
    EXPECT_EQ(ListCell(view, 0, 5), "-");  // a market order has no price
    EXPECT_EQ(ListCell(view, 1, 3), "Buy Lmt");
    EXPECT_EQ(ListCell(view, 1, 5).size(), 7u);  // "12.5000" with the system's separator
    EXPECT_EQ(ListCell(view, 0, 7), "-");
    EXPECT_EQ(ListCell(view, 0, 9), "Open");
    EXPECT_EQ(ListCell(view, 0, 10), "-");
}

TEST_F(MainWindowTest, PositionsViewShowsDirectionAndSize) {
    ASSERT_NO_FATAL_FAILURE(Start(MissingFolder()));
    engine().positions.With([](PositionBook& book) {
        for (auto [symbol, size] : {std::pair<const char*, int>{"ES", -3}, {"NQ", 0}}) {
            auto position = std::make_unique<Position>();
            position->symbol = symbol;
            position->posSize = size;
            book.Add(std::move(position));
        }
        return 0;
    });
    PostMessageA(hwnd, WindowMessage::PositionsChanged, 0, 0);
    HWND view = Control(ControlId::PositionsView);
    ASSERT_TRUE(PumpUntil([&] { return ListView_GetItemCount(view) == 2; }));
    EXPECT_EQ(ListCell(view, 0, 1), "1");
    EXPECT_EQ(ListCell(view, 0, 2), "ES");
    EXPECT_EQ(ListCell(view, 0, 3), "Short");
    EXPECT_EQ(ListCell(view, 0, 4), "3");
    EXPECT_EQ(ListCell(view, 1, 1), "2");
    EXPECT_EQ(ListCell(view, 1, 3), "Flat");
}

TEST_F(MainWindowTest, LogViewCountsLinesOldestFirst) {
    ASSERT_NO_FATAL_FAILURE(Start(MissingFolder()));
    engine().log.Add("first line");
    engine().log.Add("second line");
    HWND view = Control(ControlId::LogView);
    ASSERT_TRUE(PumpUntil([&] { return ListView_GetItemCount(view) >= 2; }));
    const int count = ListView_GetItemCount(view);
    EXPECT_EQ(ListCell(view, count - 2, 0), "first line");
    EXPECT_EQ(ListCell(view, count - 1, 0), "second line");
}

TEST_F(MainWindowTest, TestButtonPlacesOrderHundredOnlyWhileAccepting) {
    ASSERT_NO_FATAL_FAILURE(Start(MissingFolder(), false));
    HWND view = Control(ControlId::OrdersView);
    Click(ControlId::TestPlaceOrder);
    Pump(200);
    EXPECT_EQ(ListView_GetItemCount(view), 0);

    Click(ControlId::AcceptOrders);
    ASSERT_TRUE(engine().settings.acceptOrders);
    Click(ControlId::TestPlaceOrder);
    ASSERT_TRUE(PumpUntil([&] { return ListView_GetItemCount(view) == 1; }));
    EXPECT_EQ(ListCell(view, 0, 1), "100");
    EXPECT_EQ(ListCell(view, 0, 2), "IBM");
    EXPECT_EQ(ListCell(view, 0, 3), "Buy Mkt");
    EXPECT_EQ(ListCell(view, 0, 4), "100");
    EXPECT_EQ(ListCell(view, 0, 5), "-");
    EXPECT_EQ(ListCell(view, 0, 6), "Day");
}

TEST_F(MainWindowTest, SettingsPageShowsTheLoadedSettings) {
    const std::string folder = MissingFolder();
    ASSERT_NO_FATAL_FAILURE(Start(folder));
    EXPECT_EQ(ControlText(hwnd, ControlId::LocationEdit), folder);
    EXPECT_EQ(ControlText(hwnd, ControlId::AccountEdit), "SIM101");
    EXPECT_FALSE(IsChecked(Control(ControlId::StopToStopLimit)));
    EXPECT_TRUE(IsChecked(Control(ControlId::AcceptOrders)));
    EXPECT_EQ(ControlText(hwnd, ControlId::VersionLabel), "Version 1.2");
    EXPECT_EQ(ControlText(hwnd, ControlId::ReleaseDateLabel), "Release Date Nov 22, 2005");
}

// Texts beyond the system's code page show whole: the Settings page's boxes, the views' cells
// and the log.
TEST_F(MainWindowTest, TextsBeyondTheCodePageShowWhole) {
    const std::string folder = MissingFolder() + "\\Трейдер Łódź";
    ASSERT_NO_FATAL_FAILURE(Start(folder));
    EXPECT_EQ(ControlText(hwnd, ControlId::LocationEdit), folder);
    engine().log.Add("Łódź Трейдер 日本");
    engine().router.NewOrder(HostValue::Text("Łódź"), HostValue::Text(""), 0,
                             HostValue::Text("DEMO"), 0, 0, 0, 1, 0.0, 7);
    HWND orders = Control(ControlId::OrdersView), log = Control(ControlId::LogView);
    ASSERT_TRUE(PumpUntil([&] { return ListView_GetItemCount(orders) == 1; }));
    EXPECT_EQ(ListCell(orders, 0, 2), "Łódź");
    // The missing folder's own line may come before or after it.
    const auto logged = [&] {
        for (int row = 0; row < ListView_GetItemCount(log); ++row)
            if (ListCell(log, row, 0) == "Łódź Трейдер 日本") return true;
        return false;
    };
    EXPECT_TRUE(PumpUntil(logged));
}

// Sizes follow the screen's pixels per inch; a run in a prefix set to 144 names it in
// ORDERSRV_EXPECT_DPI.
TEST_F(MainWindowTest, WindowAndControlsScaleWithTheScreen) {
    const int dpi = WindowScaler::ScreenDpi();
    if (const char* expected = std::getenv("ORDERSRV_EXPECT_DPI")) {
        ASSERT_EQ(dpi, std::atoi(expected));
    }
    ASSERT_NO_FATAL_FAILURE(Start(MissingFolder()));
    auto scaled = [dpi](int value) { return WindowScaler::Scale(value, dpi); };
    RECT outer{};
    GetWindowRect(hwnd, &outer);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(hwnd, &placement);  // the restored size of the minimised window
    const RECT& normal = placement.rcNormalPosition;
    const int width = normal.right - normal.left, height = normal.bottom - normal.top;
    // At least the scaled smallest size; more only by the scaled border correction.
    EXPECT_GE(width, scaled(517));
    EXPECT_LE(width, scaled(517 + 24));
    EXPECT_GE(height, scaled(288));
    EXPECT_LE(height, scaled(288 + 40));

    for (auto [id, left, top, w, h] : {std::array<int, 5>{ControlId::ConnectButton, 318, 4, 86, 23},
                                       {ControlId::DisconnectButton, 410, 4, 86, 23},
                                       {ControlId::StatusText, 56, 6, 252, 19}}) {
        HWND control = Control(id);
        RECT r{};
        GetWindowRect(control, &r);
        MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, scaled(left)) << id;
        EXPECT_EQ(r.top, scaled(top)) << id;
        EXPECT_EQ(r.right - r.left, scaled(w)) << id;
        EXPECT_EQ(r.bottom - r.top, scaled(h)) << id;
    }
    HWND orders = Control(ControlId::OrdersView);
    EXPECT_EQ(ListView_GetColumnWidth(orders, 1), scaled(48));
    EXPECT_EQ(ListView_GetColumnWidth(orders, 11), scaled(95));

    // The window cannot be made smaller than its scaled smallest size.
    MINMAXINFO info{};
    SendMessageA(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_GE(info.ptMinTrackSize.x, scaled(517));
    EXPECT_GE(info.ptMinTrackSize.y, scaled(288));
}

}  // namespace ordersrv
