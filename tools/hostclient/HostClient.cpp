// A stand-in for the Halvenmar host: drives the order server through IOrderServer late-bound,
// the way a script or charting host does, and prints what it did and what came back.
//   hostclient demo              market, limit and stop orders, cancel the resting one, poll
//   hostclient close             close the running server's window as a user would (Yes)
//   hostclient listen [hang]     subscribe to the server's events and print each one until
//                                ended (a host that listens, for tests that end it abruptly);
//                                with hang, the first event's call never returns
//   hostclient churn N           subscribe and unsubscribe one sink N times while another
//                                listens; the exit code counts the refused calls
//   hostclient place FIRST FILE  good-till-cancelled limit orders from reference FIRST upward,
//                                back to back, until a call is refused; each reference answered
//                                S_OK is written to FILE at once (a host a test kills the
//                                server under)
//   hostclient shots DIR         open the window and show each page; a shell beside it takes
//                                the pictures (DIR/request.txt names the page and the window's
//                                rectangle, DIR/done-<page> says it was taken; DIR holds only
//                                these markers)
#include <windows.h>
#include <commctrl.h>
#include <ocidl.h>
#include <oleauto.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Scoped.h"
#include "server/ComPtr.h"
#include "tools/EventSinkBase.h"
#include "tools/InvokeArguments.h"

namespace {

using namespace invokearg;

class OrderServer {
public:
    bool Create() {
        CLSID clsid;
        if (FAILED(CLSIDFromProgID(L"Quillmere.OrderServer", &clsid))) return Fail("not registered");
        const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                            reinterpret_cast<void**>(disp_.Out()));
        if (FAILED(hr)) return Fail("CoCreateInstance failed");
        return true;
    }

    IDispatch* Dispatch() const { return disp_.Get(); }

    // Calls a member by name with arguments in call order; returns the HRESULT.
    HRESULT Call(const wchar_t* name, std::vector<VARIANT> args, VARIANT* result,
                 WORD flags = DISPATCH_METHOD) {
        DISPID id;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        HRESULT hr = disp_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        if (FAILED(hr)) return hr;
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());  // IDispatch wants them last first
        DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        EXCEPINFO info = {};
        hr = disp_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &info, nullptr);
        if (hr == DISP_E_EXCEPTION) {
            std::printf("      error: %ls (%ls)\n", info.bstrDescription ? info.bstrDescription : L"",
                        info.bstrSource ? info.bstrSource : L"");
        }
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrHelpFile);
        return hr;
    }

private:
    static bool Fail(const char* what) {
        std::printf("host: %s\n", what);
        return false;
    }
    ordersrv::ComPtr<IDispatch> disp_;
};

void FreeArgs(std::vector<VARIANT>& args) {
    for (VARIANT& v : args) VariantClear(&v);
}

// A call's result as a host developer looks it up: its name, or its code when it has none here.
std::string ResultName(HRESULT hr) {
    switch (static_cast<unsigned long>(hr)) {
    case 0x00000000ul: return "S_OK";
    case 0x00000001ul: return "S_FALSE";
    case 0x8000FFFFul: return "E_UNEXPECTED";
    case 0x80004005ul: return "E_FAIL";
    case 0x80070057ul: return "E_INVALIDARG";
    case 0x80004002ul: return "E_NOINTERFACE";
    case 0x80020009ul: return "DISP_E_EXCEPTION";
    case 0x80020005ul: return "DISP_E_TYPEMISMATCH";
    case 0x80010108ul: return "RPC_E_DISCONNECTED";
    case 0x800706BAul: return "RPC_S_SERVER_UNAVAILABLE";
    case 0x80040154ul: return "REGDB_E_CLASSNOTREG";
    case 0x80080005ul: return "CO_E_SERVER_EXEC_FAILURE";
    default: break;
    }
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    return code;
}

const char* StatusText(LONG status) {
    static const char* const names[] = {"Open",          "Filled", "P. Filled", "Cancelled",
                                        "Rejected",      "Not Connected", "Error", "Rejected",
                                        "Rejected",      "Sent",   "Cancel Sent"};
    return status >= 0 && status <= 10 ? names[status] : "?";
}

struct DemoOrder {
    const wchar_t* symbol;
    LONG action, timeFrame, modifier, size;
    double price;
    LONG ref;
    const char* what;
};

bool PlaceOrder(OrderServer& server, const DemoOrder& o) {
    std::printf("host: NewOrder(%ls, %s, size %ld, price %.2f, ref %ld)\n", o.symbol, o.what,
                static_cast<long>(o.size), o.price, static_cast<long>(o.ref));
    std::vector<VARIANT> args = {Text(o.symbol),     Text(L""),       Long(0),
                                 Text(L""),          Long(o.action),  Long(o.timeFrame),
                                 Long(o.modifier),   Long(o.size),    Double(o.price),
                                 Long(o.ref)};
    const HRESULT hr = server.Call(L"NewOrder", args, nullptr);
    FreeArgs(args);
    std::printf("      -> %s\n", ResultName(hr).c_str());
    return SUCCEEDED(hr);
}

bool OrderStatus(OrderServer& server, LONG ref, LONG& status, LONG& size, double& price) {
    std::vector<VARIANT> args = {Long(ref), LongPlace(&status), LongPlace(&size), DoublePlace(&price)};
    plat::ScopedVariant result;
    const HRESULT hr = server.Call(L"GetOrderStatus", args, &result.v);
    return SUCCEEDED(hr) && result.v.vt == VT_BOOL && result.v.boolVal == VARIANT_TRUE;
}

bool PositionInfo(OrderServer& server, const wchar_t* symbol, LONG& size, double& cost) {
    std::vector<VARIANT> args = {Text(symbol), Text(L""), Long(0), Text(L""), LongPlace(&size),
                                 DoublePlace(&cost)};
    plat::ScopedVariant result;
    const HRESULT hr = server.Call(L"GetPositionInfo", args, &result.v);
    FreeArgs(args);
    return SUCCEEDED(hr) && result.v.vt == VT_BOOL && result.v.boolVal == VARIANT_TRUE;
}

bool IsFinal(LONG status) { return status == 1 || status == 3 || status == 8; }

// The demo's server is started by hand just before: its main window comes once its class object
// is published. A host that asked earlier would have COM start a second instance, which gives
// way to the first, and the request would fail.
bool WaitForStartedServer(int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (FindWindowA("TNTOrderServerForm", nullptr)) return true;
        Sleep(100);
    }
    return false;
}

int RunDemo() {
    if (!WaitForStartedServer(120)) {
        std::printf("host: the order server started for the demo has no window after 120 s\n");
        return 1;
    }
    OrderServer server;
    if (!server.Create()) return 1;
    plat::ScopedVariant connected;
    server.Call(L"Connected", {}, &connected.v, DISPATCH_PROPERTYGET);
    std::printf("host: Connected -> %s\n",
                connected.v.vt == VT_BOOL && connected.v.boolVal ? "true" : "false");

    const DemoOrder orders[] = {
        {L"ES 03-27", 0, 0, 0, 2, 5010.25, 501, "buy market"},
        {L"ES 03-27", 0, 1, 1, 1, 5000.25, 502, "buy limit GTC (rests)"},
        {L"NQ 03-27", 1, 0, 2, 1, 17000.5, 503, "sell stop"},
    };
    for (const DemoOrder& o : orders)
        if (!PlaceOrder(server, o)) return 1;

    // Wait for the resting limit order to be working before cancelling it.
    for (int i = 0; i < 100; ++i) {
        LONG status = 0, size = 0;
        double price = 0;
        if (OrderStatus(server, 502, status, size, price) && status == 0) break;
        Sleep(100);
    }
    Sleep(1000);
    std::printf("host: CancelOrder(502)\n");
    std::vector<VARIANT> cancelArgs = {Long(502)};
    std::printf("      -> %s\n", ResultName(server.Call(L"CancelOrder", cancelArgs, nullptr)).c_str());

    // Poll as a host does until every order has ended (at most 20 s).
    bool allFinal = false;
    LONG last[3] = {-1, -1, -1};
    for (int round = 0; round < 200 && !allFinal; ++round) {
        allFinal = true;
        for (int i = 0; i < 3; ++i) {
            LONG status = 4, size = 0;
            double price = 0;
            OrderStatus(server, orders[i].ref, status, size, price);
            if (status != last[i]) {
                std::printf("host: GetOrderStatus(%ld) -> %s, filled %ld at %.4f\n",
                            static_cast<long>(orders[i].ref), StatusText(status),
                            static_cast<long>(size), price);
                last[i] = status;
            }
            allFinal = allFinal && IsFinal(status);
        }
        if (!allFinal) Sleep(100);
    }

    for (const wchar_t* symbol : {L"ES 03-27", L"NQ 03-27"}) {
        LONG size = 0;
        double cost = 0;
        const bool known = PositionInfo(server, symbol, size, cost);
        std::printf("host: GetPositionInfo(%ls) -> %s, size %ld, cost %.4f\n", symbol,
                    known ? "true" : "false", static_cast<long>(size), cost);
    }

    plat::ScopedVariant symbols, expiries, types, exchanges, result;
    std::vector<VARIANT> specArgs = {VariantPlace(&symbols.v), VariantPlace(&expiries.v),
                                     VariantPlace(&types.v), VariantPlace(&exchanges.v)};
    server.Call(L"GetAllPositionSpec", specArgs, &result.v);
    if (symbols.v.vt == (VT_ARRAY | VT_VARIANT)) {
        LONG lo = 0, hi = -1;
        SafeArrayGetLBound(symbols.v.parray, 1, &lo);
        SafeArrayGetUBound(symbols.v.parray, 1, &hi);
        std::printf("host: GetAllPositionSpec -> %ld position(s)\n", static_cast<long>(hi - lo + 1));
    }

    const LONG expected[3] = {1, 3, 1};
    bool asExpected = true;
    for (int i = 0; i < 3; ++i) asExpected = asExpected && last[i] == expected[i];
    std::printf("host: final statuses %s\n", asExpected ? "as expected" : "NOT as expected");
    return asExpected ? 0 : 1;
}

HWND FindTopWindow(const char* title, int tries) {
    for (int i = 0; i < tries; ++i) {
        if (HWND w = FindWindowA(nullptr, title)) return w;
        Sleep(100);
    }
    return nullptr;
}

// Answers a message box by clicking the button with the given id.
bool ClickDialogButton(const char* title, int buttonId) {
    HWND dialog = FindTopWindow(title, 50);
    if (!dialog) return false;
    HWND button = GetDlgItem(dialog, buttonId);
    if (!button) return false;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    return true;
}

BOOL CALLBACK FindTabControl(HWND child, LPARAM found) {
    char cls[64] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "SysTabControl32") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

// Wide enough for all eleven columns of the orders view at 96 pixels per inch.
constexpr int kOrdersShotWidth = 800;

bool WaitForFile(const std::string& path) {
    for (int i = 0; i < 300; ++i) {
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        Sleep(50);
    }
    return false;
}

// Shows each page of the server's window in turn and asks for its picture: DIR\request.txt
// names the page and the window's rectangle, DIR\done-<page> says it was taken.
int ShowPages(const std::string& dir) {
    HWND window = FindTopWindow("Halvenmar Order Server (NT)", 50);
    HWND tabs = nullptr;
    if (window) EnumChildWindows(window, FindTabControl, reinterpret_cast<LPARAM>(&tabs));
    if (!tabs) {
        std::printf("host: no order server window\n");
        return 1;
    }
    ShowWindow(window, SW_RESTORE);
    SetWindowPos(window, HWND_TOP, 60, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(window);
    RECT smallest{};
    GetWindowRect(window, &smallest);
    const char* pages[] = {"settings", "orders", "positions", "log", "about"};
    for (int tab = 0; tab < 5; ++tab) {
        // The orders view is wider than the smallest window: widened, every column shows.
        const int width = tab == 1 ? kOrdersShotWidth : smallest.right - smallest.left;
        SetWindowPos(window, HWND_TOP, 0, 0, width, smallest.bottom - smallest.top,
                     SWP_NOMOVE | SWP_NOZORDER);
        // Focusing a tab makes the control itself announce the change to the window.
        SendMessageA(tabs, TCM_SETCURFOCUS, static_cast<WPARAM>(tab), 0);
        Sleep(600);
        RECT r{};
        GetWindowRect(window, &r);
        const std::string request = dir + "\\request.txt";
        if (FILE* f = std::fopen(request.c_str(), "wb")) {
            std::fprintf(f, "%s %ld %ld %ld %ld\n", pages[tab], r.left, r.top, r.right, r.bottom);
            std::fclose(f);
        }
        if (!WaitForFile(dir + "\\done-" + pages[tab])) return 1;
    }
    SendMessageA(tabs, TCM_SETCURFOCUS, 1, 0);
    ShowWindow(window, SW_MINIMIZE);
    return 0;
}

// Prints every event it hears, by its DISPID; a hanging one never returns from its first.
class PrintingSink final : public EventSinkBase {
public:
    explicit PrintingSink(bool hang) : hang_(hang) {}
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        std::printf("host: event %ld with %u arguments\n", static_cast<long>(id), params->cArgs);
        if (hang_) Sleep(INFINITE);
        return S_OK;
    }

private:
    const bool hang_;
};

// As a script host finds it: the first (only) connection point the object lists.
bool FindEventPoint(OrderServer& server, ordersrv::ComPtr<IConnectionPoint>& point) {
    ordersrv::ComPtr<IConnectionPointContainer> container;
    IEnumConnectionPoints* points = nullptr;
    const bool found = SUCCEEDED(server.Dispatch()->QueryInterface(
                           IID_IConnectionPointContainer,
                           reinterpret_cast<void**>(container.Out()))) &&
                       SUCCEEDED(container->EnumConnectionPoints(&points)) &&
                       points->Next(1, point.Out(), nullptr) == S_OK;
    if (points) points->Release();
    if (!found) std::printf("host: no connection point\n");
    return found;
}

int Listen(bool hang) {
    OrderServer server;
    ordersrv::ComPtr<IConnectionPoint> point;
    if (!server.Create() || !FindEventPoint(server, point)) return 1;
    static PrintingSink sink(hang);
    DWORD cookie = 0;
    if (FAILED(point->Advise(&sink, &cookie))) {
        std::printf("host: Advise refused\n");
        return 1;
    }
    std::printf("host: listening (cookie %lu)\n", static_cast<unsigned long>(cookie));
    Sleep(INFINITE);
    return 0;
}

// A sink that hears and says nothing.
class QuietSink final : public EventSinkBase {
public:
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        return S_OK;
    }
};

// Subscribes and unsubscribes one sink `cycles` times, back to back, while another stays
// subscribed. The exit code is how many of those calls the server refused.
//
// The sink that stays keeps the event interface's stubs in this process: under Wine, COM
// deadlocks a process that lets go of its last stub of an interface while a call on that
// interface ends or a new stub of it is made, which changes on their way to the sink going
// cause now and then.
int Churn(int cycles) {
    OrderServer server;
    ordersrv::ComPtr<IConnectionPoint> point;
    if (!server.Create() || !FindEventPoint(server, point)) return 100;
    static QuietSink staying, sink;
    DWORD stayingCookie = 0;
    if (point->Advise(&staying, &stayingCookie) != S_OK) return 100;
    int refused = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        DWORD cookie = 0;
        if (point->Advise(&sink, &cookie) != S_OK || point->Unadvise(cookie) != S_OK)
            ++refused;
    }
    if (point->Unadvise(stayingCookie) != S_OK) ++refused;
    std::printf("host: %d subscriptions, %d refused\n", cycles, refused);
    return refused;
}

int PlaceUntilRefused(LONG first, const char* path) {
    OrderServer server;
    if (!server.Create()) return 1;
    FILE* accepted = std::fopen(path, "w");
    if (!accepted) return 1;
    for (LONG ref = first;; ++ref) {
        std::vector<VARIANT> args = {Text(L"ES"), Text(L""), Long(0), Text(L""), Long(0),
                                     Long(1),     Long(1),   Long(2), Double(1234.5), Long(ref)};
        const HRESULT hr = server.Call(L"NewOrder", args, nullptr);
        FreeArgs(args);
        if (hr != S_OK) break;
        std::fprintf(accepted, "%ld\n", static_cast<long>(ref));
        std::fflush(accepted);
    }
    std::fclose(accepted);
    return 0;
}

int CloseServer() {
    HWND window = FindTopWindow("Halvenmar Order Server (NT)", 50);
    if (!window) {
        std::printf("host: no order server window\n");
        return 1;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    PostMessageA(window, WM_CLOSE, 0, 0);
    if (!ClickDialogButton("Confirm", IDYES)) {
        std::printf("host: no close confirmation appeared\n");
        return 1;
    }
    ClickDialogButton("COM Server Warning", IDYES);  // only when a client still holds an object
    std::printf("host: closed the order server (confirmed)\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const std::string mode = argc > 1 ? argv[1] : "demo";
    if (mode == "close") return CloseServer();
    if (mode == "shots" && argc > 2) return ShowPages(argv[2]);
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
    const bool hang = argc > 2 && std::string(argv[2]) == "hang";
    const int rc = mode == "demo"                  ? RunDemo()
                   : mode == "listen"              ? Listen(hang)
                   : mode == "churn" && argc > 2     ? Churn(std::atoi(argv[2]))
                   : mode == "place" && argc > 3 ? PlaceUntilRefused(std::atol(argv[2]), argv[3])
                                                   : 2;
    CoUninitialize();
    return rc;
}
