// Shows the main window with orders, positions and log lines on each of its pages and with
// its notification-area menu open, and asks scripts/screenshots.sh to photograph each scene:
// it writes "<name> left top right bottom" into <folder>\request.txt and waits for
// <folder>\done-<name>.
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "engine/WindowMessages.h"
#include "platform/FileSystem.h"
#include "tests/ui/WindowTestSupport.h"
#include "ui/ControlIds.h"
#include "engine/HostValue.h"
#include "server/ServerPieces.h"
#include "ui/MainWindow.h"
#include "engine/SettingsFile.h"
#include "workers/Workers.h"

namespace ordersrv {

using namespace uitest;

namespace {

std::string handshake;

// Asks for a photograph of the rectangle and waits until it is taken.
bool Photograph(const std::string& name, const RECT& r, bool pump) {
    char line[256];
    std::snprintf(line, sizeof line, "%s %ld %ld %ld %ld\n", name.c_str(), r.left, r.top, r.right,
                  r.bottom);
    const std::string request = handshake + "\\request.txt";
    plat::WriteWholeFile(request + ".tmp", line);
    MoveFileA((request + ".tmp").c_str(), request.c_str());
    const std::string done = handshake + "\\done-" + name;
    auto taken = [&] { return plat::FileExists(done); };
    if (pump) return PumpUntil(taken, 30000);
    for (int i = 0; i < 3000 && !taken(); ++i) Sleep(10);
    return taken();
}

void ShowPage(HWND form, int tab) {
    HWND pages = FindControl(form, ControlId::Pages);
    SendMessageA(pages, TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
    NMHDR change{pages, static_cast<UINT_PTR>(ControlId::Pages), TCN_SELCHANGE};
    SendMessageA(form, WM_NOTIFY, ControlId::Pages, reinterpret_cast<LPARAM>(&change));
    Pump(400);
}

void PlaceOrders(Engine& engine) {
    struct Scene {
        const char* symbol;
        int32_t type, timeFrame, modifier, size;
        double price;
        int32_t ref;
    };
    const Scene orders[] = {
        {"ES", 0, 0, 1, 2, 4512.25, 101},  {"NQ", 1, 1, 2, 1, 15890.5, 102},
        {"IBM", 0, 0, 0, 100, 0.0, 103},   {"CL", 1, 0, 1, 3, 78.42, 104},
        {"MSFT", 0, 1, 0, 200, 0.0, 105},
    };
    for (const Scene& o : orders)
        engine.router.NewOrder(HostValue::Text(o.symbol), HostValue::Text(""), 0, HostValue::Text(""),
                        o.type, o.timeFrame, o.modifier, o.size, o.price, o.ref);
    engine.orders.With([](OrderBook& book) {
        if (auto* es = book.FindByRefId(101)) {
            es->status = StatusCode::Filled;
            es->fillSize = 2;
            es->fillPrice = 4512.25;
            es->updateTime = es->receivedTime + 2.0 / 86400;
        }
        if (auto* cl = book.FindByRefId(104)) {
            cl->status = StatusCode::PartFilled;
            cl->fillSize = 1;
            cl->fillPrice = 78.41;
            cl->updateTime = cl->receivedTime + 5.0 / 86400;
        }
        return 0;
    });
}

void AddPositions(Engine& engine) {
    engine.positions.With([](PositionBook& book) {
        const std::pair<const char*, int32_t> positions[] = {{"ES", 2}, {"NQ", -1}, {"YM", 0}};
        for (auto [symbol, size] : positions) {
            auto position = std::make_unique<Position>();
            position->symbol = symbol;
            position->posSize = size;
            position->hasPosition = true;
            book.Add(std::move(position));
        }
        return 0;
    });
}

}  // namespace

}  // namespace ordersrv

using namespace ordersrv;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: ui_screenshot_scenes <handshake folder>\n");
        return 2;
    }
    handshake = argv[1];
    StartWorkers();

    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string ninjaTrader = std::string(temp) + "NinjaTrader 6";
    plat::MakeFolder(ninjaTrader);
    plat::MakeFolder(ninjaTrader + "\\INCOMING");
    plat::MakeFolder(ninjaTrader + "\\OUTGOING");
    Settings settings;
    settings.location = ninjaTrader;
    settings.account = "SIM101";
    SaveSettingsFile(SettingsFilePath(plat::ExecutablePath()), settings);

    ServerPieces server(ProcessEventQueue());
    if (!server.Start(GetModuleHandleA(nullptr), plat::ExecutablePath(), ProcessScheduler())) return 1;
    MainWindow* form = server.window.get();
    HWND hwnd = form->Handle();
    Engine& engine = server.engine;
    engine.router.IsConnected();  // the host has called in
    PlaceOrders(engine);
    AddPositions(engine);
    PostMessageA(hwnd, WindowMessage::PositionsChanged, 0, 0);
    engine.log.Add("Order Status <HALVENMAR104.TXT> Text <FILLED;x;1> parse error");
    engine.log.Add("PUF <ESZ5SIM101_POSITION.TXT> account not identified");
    engine.log.Add("ORDER STATUS <HALVENMARX1.TXT> order id error");
    Pump(800);

    form->RestoreWindow();
    SetWindowPos(hwnd, HWND_TOP, 60, 40, 0, 0, SWP_NOSIZE);
    Pump(500);
    const char* pages[] = {"settings", "orders", "positions", "log", "about"};
    for (int tab = 0; tab < 5; ++tab) {
        ShowPage(hwnd, tab);
        RECT r{};
        GetWindowRect(hwnd, &r);
        if (!Photograph(pages[tab], r, true)) return 3;
    }

    // The notification-area menu of the minimised window, opened by the icon at the bottom right.
    ShowPage(hwnd, 1);
    ShowWindow(hwnd, SW_MINIMIZE);
    Pump(300);
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    SetCursorPos(desktop.right - 200, desktop.bottom - 12);
    const RECT corner{desktop.right - 420, desktop.bottom - 220, desktop.right, desktop.bottom};
    std::atomic<bool> finished{false};
    std::thread helper([&] {
        HWND menu = WaitForWindow("#32768", nullptr);
        if (menu) {
            Sleep(300);
            Photograph("tray-menu", corner, false);
            PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        }
        finished = true;
    });
    PostMessageA(hwnd, WindowMessage::TrayNotify, 0, WM_RBUTTONDOWN);
    PumpUntil([&] { return finished.load(); }, 40000);
    helper.join();
    Pump(200);
    server.window.reset();
    StopWorkers();
    plat::RemoveFile(SettingsFilePath(plat::ExecutablePath()));
    return 0;
}
