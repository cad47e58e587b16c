// Hosts that listen: clients of the real OrderSrv.exe subscribe to IOrderServerEvents through
// the object's connection point and hear of fills, positions and the connection without
// polling; a sink that hangs holds back nobody else and is dropped.
#include <gtest/gtest.h>

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <oleauto.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Scoped.h"
#include "server/ComPtr.h"
#include "server/Quillmere.h"
#include "tests/support/RegisteredServerTest.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/StandinProcess.h"
#include "tools/EventSinkBase.h"

namespace ordersrv {

namespace {

constexpr DWORD kServerEndMs = 20000;
constexpr int kDisconnectButton = 105, kConnectButton = 104, kSubscribersLabel = 143;

// A host's sink: every event it hears, as text ("status <ref> <status> <filled> <price>",
// "position <symbol> <size> <cost>", "connected <0|1>"). A blocking sink never returns from
// its first call until released.
class EventSink final : public EventSinkBase {
public:
    explicit EventSink(bool blocking = false)
        : EventSinkBase(DIID_IOrderServerEvents),
          release_(CreateEventA(nullptr, TRUE, blocking ? FALSE : TRUE, nullptr)) {}
    // A call still inside (a released blocking one) finishes before the sink goes.
    ~EventSink() {
        SetEvent(release_);
        for (int waited = 0; calls_ > 0 && waited < 5000; waited += 10) Sleep(10);
        CloseHandle(release_);
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        ++calls_;
        WaitForSingleObject(release_, INFINITE);
        const VARIANT* a = params->rgvarg;  // last argument first
        std::string text;
        if (id == 1 && params->cArgs == 4)
            text = "status " + std::to_string(V_I4(&a[3])) + " " + std::to_string(V_I4(&a[2])) +
                   " " + std::to_string(V_I4(&a[1])) + " " + Number(V_R8(&a[0]));
        else if (id == 2 && params->cArgs == 3)
            text = "position " + Narrow(V_BSTR(&a[2])) + " " + std::to_string(V_I4(&a[1])) + " " +
                   Number(V_R8(&a[0]));
        else if (id == 3 && params->cArgs == 1)
            text = std::string("connected ") + (V_BOOL(&a[0]) ? "1" : "0");
        else
            text = "unexpected " + std::to_string(id);
        std::lock_guard<std::mutex> hold(lock_);
        heard_.push_back(text);
        changed_.notify_all();
        --calls_;
        return S_OK;
    }

    // Waits until `text` has been heard; every event heard so far.
    bool WaitFor(const std::string& text, DWORD ms = 10000) {
        std::unique_lock<std::mutex> hold(lock_);
        return changed_.wait_for(hold, std::chrono::milliseconds(ms), [&] {
            for (const std::string& h : heard_)
                if (h == text) return true;
            return false;
        });
    }
    std::vector<std::string> Heard() {
        std::lock_guard<std::mutex> hold(lock_);
        return heard_;
    }

private:
    static std::string Number(double value) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", value);
        return text;
    }
    static std::string Narrow(BSTR text) {
        std::string narrow;
        for (UINT i = 0; text && i < SysStringLen(text); ++i) narrow += static_cast<char>(text[i]);
        return narrow;
    }

    HANDLE release_;
    std::atomic<int> calls_{0};
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<std::string> heard_;
};

// A client object with its subscription; Unadvise when it goes.
struct Subscriber {
    ComPtr<IOrderServer> server;
    ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;

    explicit Subscriber(EventSinkBase& sink) {
        EXPECT_EQ(CoCreateInstance(CLSID_OrderServer, nullptr, CLSCTX_LOCAL_SERVER,
                                   IID_IOrderServer, reinterpret_cast<void**>(server.Out())),
                  S_OK);
        if (!server) return;
        ComPtr<IConnectionPointContainer> container;
        EXPECT_EQ(server->QueryInterface(IID_IConnectionPointContainer,
                                         reinterpret_cast<void**>(container.Out())),
                  S_OK);
        if (!container) return;
        EXPECT_EQ(container->FindConnectionPoint(DIID_IOrderServerEvents, point.Out()), S_OK);
        if (point) {
            EXPECT_EQ(point->Advise(&sink, &cookie), S_OK);
        }
    }
    HRESULT Unadvise() {
        const HRESULT hr = point->Unadvise(cookie);
        cookie = 0;
        return hr;
    }
    HRESULT Place(const wchar_t* symbol, LONG reference) {
        plat::ScopedVariant name(symbol), empty;
        return server->NewOrder(name.v, empty.v, 0, empty.v, 0, 0, 0, 2, 0.0, reference);
    }
};

// A control of the server's window, by its id.
HWND ServerControl(int id) {
    return FindServerControl(FindWindowA("TNTOrderServerForm", nullptr), id);
}

std::string ServerControlText(int id) {
    char text[256] = {};
    DWORD_PTR copied = 0;
    if (HWND control = ServerControl(id))
        SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                            SMTO_BLOCK, 2000, &copied);
    return text;
}

bool WaitForSubscribers(int count, DWORD ms) {
    const std::string wanted = "Event subscribers: " + std::to_string(count);
    for (DWORD waited = 0; waited < ms; waited += 50) {
        if (ServerControlText(kSubscribersLabel) == wanted) return true;
        Sleep(50);
    }
    return false;
}

class ServerEvents : public testsupport::RegisteredServerTest {
protected:
    static void SetUpTestSuite() { RegisterServer(ORDERSRV_EXE, ORDERSRV_RUN_DIR); }
};

TEST_F(ServerEvents, SubscribersHearFillsPositionsAndTheConnectionInOrderUntilTheyUnadvise) {
    testsupport::StandinProcess standin(ORDERSRV_STANDIN, folder->NinjaTraderFolder(),
                                        folder->Folder(), {"--fill-price", "101.5"});
    ASSERT_TRUE(standin.Started());
    EventSink firstSink, secondSink;
    {
        Subscriber first(firstSink), second(secondSink);
        ASSERT_TRUE(first.cookie && second.cookie);
        EXPECT_TRUE(WaitForSubscribers(2, 5000)) << ServerControlText(kSubscribersLabel);

        ASSERT_EQ(first.Place(L"YM", 400), S_OK);
        for (EventSink* sink : {&firstSink, &secondSink}) {
            EXPECT_TRUE(sink->WaitFor("status 400 1 2 101.5"));
            EXPECT_TRUE(sink->WaitFor("position YM 2 101.5"));
        }

        PostMessageA(ServerControl(kDisconnectButton), BM_CLICK, 0, 0);
        EXPECT_TRUE(secondSink.WaitFor("connected 0"));
        PostMessageA(ServerControl(kConnectButton), BM_CLICK, 0, 0);
        EXPECT_TRUE(secondSink.WaitFor("connected 1"));

        EXPECT_EQ(first.Unadvise(), S_OK);
        EXPECT_EQ(first.Unadvise(), CONNECT_E_NOCONNECTION);  // the cookie is spent
        EXPECT_TRUE(WaitForSubscribers(1, 5000));
        ASSERT_EQ(second.Place(L"YM", 401), S_OK);
        EXPECT_TRUE(secondSink.WaitFor("status 401 1 2 101.5"));
        second.Unadvise();
    }
    // One order's changes arrive in the order they happened: nothing after Filled.
    std::vector<std::string> heard = secondSink.Heard();
    std::vector<std::string> order400;
    for (const std::string& h : heard)
        if (h.rfind("status 400 ", 0) == 0) order400.push_back(h);
    ASSERT_FALSE(order400.empty());
    EXPECT_EQ(order400.back(), "status 400 1 2 101.5");
    for (const std::string& h : firstSink.Heard()) EXPECT_NE(h.rfind("status 401 ", 0), 0u) << h;
    EXPECT_TRUE(standin.Stop());
}

TEST_F(ServerEvents, AHungSinkHoldsBackNoOtherHostAndIsDropped) {
    testsupport::StandinProcess standin(ORDERSRV_STANDIN, folder->NinjaTraderFolder(),
                                        folder->Folder(), {"--fill-price", "7"});
    ASSERT_TRUE(standin.Started());
    // The hung call never returns: the sink stays blocked until this process ends.
    EventSink& hung = *new EventSink(true);
    EventSink listening;
    {
        Subscriber stuck(hung), live(listening);
        ASSERT_TRUE(stuck.cookie && live.cookie);
        ASSERT_TRUE(WaitForSubscribers(2, 5000));
        ASSERT_EQ(live.Place(L"CL", 500), S_OK);  // the hung sink's first call never returns
        EXPECT_TRUE(listening.WaitFor("status 500 1 2 7", 5000));
        const DWORD start = GetTickCount();
        ASSERT_EQ(live.Place(L"CL", 501), S_OK);
        EXPECT_TRUE(listening.WaitFor("status 501 1 2 7", 3000))
            << "a later fill waited for the hung host";
        EXPECT_LT(GetTickCount() - start, 3000u);
        EXPECT_TRUE(WaitForSubscribers(1, 15000)) << "the hung sink was not dropped";
        stuck.cookie = 0;
    }
    // Its call still hangs: the process ends all the same after the last release.
    EXPECT_TRUE(WaitForServerEnd(kServerEndMs));
    EXPECT_TRUE(standin.Stop());
}

// A sink that answers every call with RPC_E_DISCONNECTED, as a host's does whose sink was
// disconnected on its side (or that passes on such an error) while the host itself lives on.
class DisconnectedSink final : public EventSinkBase {
public:
    DisconnectedSink() : EventSinkBase(DIID_IOrderServerEvents) {}
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        return RPC_E_DISCONNECTED;
    }
};

TEST_F(ServerEvents, AHostWhoseSinkFailsLosesOnlyTheSinkAndGoesOnPlacingOrders) {
    testsupport::StandinProcess standin(ORDERSRV_STANDIN, folder->NinjaTraderFolder(),
                                        folder->Folder(), {"--fill-price", "4"});
    ASSERT_TRUE(standin.Started());
    DisconnectedSink answering;
    EventSink disconnected;
    {
        Subscriber first(answering), second(disconnected);
        ASSERT_TRUE(first.cookie && second.cookie);
        CoDisconnectObject(&disconnected, 0);  // the host cuts its own sink off
        ASSERT_EQ(first.Place(L"NQ", 700), S_OK);
        EXPECT_TRUE(WaitForSubscribers(0, 10000)) << ServerControlText(kSubscribersLabel);
        for (LONG reference = 701; reference <= 716; ++reference) {
            Subscriber& host = reference % 2 ? first : second;
            EXPECT_EQ(host.Place(L"NQ", reference), S_OK) << reference;
        }
        LONG status = 4, filled = 0;
        double price = 0;
        VARIANT_BOOL known = VARIANT_FALSE;
        EXPECT_EQ(second.server->GetOrderStatus(716, &status, &filled, &price, &known), S_OK);
        EXPECT_EQ(known, VARIANT_TRUE);
        first.cookie = second.cookie = 0;
    }
    EXPECT_TRUE(standin.Stop());
}

#ifdef ORDERSRV_HOSTCLIENT
// Hosts subscribing and unsubscribing all at once while NinjaTrader's files keep changing: the
// scans, which publish the changes, are never held back by the subscriptions. Each host is a
// process of its own that keeps a second sink listening meanwhile (see `hostclient churn` for
// the Wine deadlock that spares).
TEST_F(ServerEvents, AStormOfSubscriptionsHoldsBackNoScan) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    ComPtr<IOrderServer> keeper;  // one object for the whole storm, so the server stays
    ASSERT_EQ(CoCreateInstance(CLSID_OrderServer, nullptr, CLSCTX_LOCAL_SERVER, IID_IOrderServer,
                               reinterpret_cast<void**>(keeper.Out())),
              S_OK);
    ASSERT_TRUE(WaitForServerWindow(10000));
    std::atomic<bool> stormOver{false};
    std::thread files([&stormOver] {
        for (int round = 1; !stormOver; ++round) {
            for (const char* symbol : {"ES", "NQ", "YM", "CL", "GC", "ZB"})
                folder->WritePositionFile(symbol, "LONG;" + std::to_string(round) + ";101.5\r\n");
            Sleep(20);
        }
    });
    std::vector<std::unique_ptr<testsupport::ChildProcess>> hosts;
    for (int h = 0; h < 8; ++h) {
        hosts.push_back(std::make_unique<testsupport::ChildProcess>());
        EXPECT_TRUE(hosts.back()->Start(ORDERSRV_HOSTCLIENT, {"churn", "100"}));
    }
    for (const auto& host : hosts) EXPECT_EQ(host->Wait(120000), 0) << "refused calls";
    stormOver = true;
    files.join();
    EXPECT_TRUE(WaitForSubscribers(0, 5000)) << ServerControlText(kSubscribersLabel);
    // Held back by the subscriptions, scans took longer than their period dozens of times in
    // such a storm; one overrun is left to a busy machine.
    std::vector<std::string> overruns;
    for (const std::string& line : ReadServerLog(FindWindowA("TNTOrderServerForm", nullptr)))
        if (line.rfind("OUTGOING scan took", 0) == 0) overruns.push_back(line);
    EXPECT_LE(overruns.size(), 1u) << overruns.front();
    for (const char* symbol : {"ES", "NQ", "YM", "CL", "GC", "ZB"})
        DeleteFileA((folder->NinjaTraderFolder() + "\\OUTGOING\\" + symbol +
                     " GLOBEX_SIM101_POSITION.TXT").c_str());
    keeper.Reset();
    CoUninitialize();
}

// Hosts killed while nothing else happens, one of them after its sink had been dropped as hung:
// the server finds out by itself, counts them no more and lets go of what they held, so it ends
// after the last live host's release.
TEST_F(ServerEvents, KilledListenersAreLetGoWithoutAnyChangeAndKeepNothingAlive) {
    testsupport::StandinProcess standin(ORDERSRV_STANDIN, folder->NinjaTraderFolder(),
                                        folder->Folder(), {"--fill-price", "3"});
    ASSERT_TRUE(standin.Started());
    EventSink listening;
    testsupport::ChildProcess listener, hanging;
    {
        Subscriber live(listening);
        ASSERT_TRUE(live.cookie);
        ASSERT_TRUE(listener.Start(ORDERSRV_HOSTCLIENT, {"listen"}));
        ASSERT_TRUE(hanging.Start(ORDERSRV_HOSTCLIENT, {"listen", "hang"}));
        ASSERT_TRUE(WaitForSubscribers(3, 10000)) << ServerControlText(kSubscribersLabel);
        // The hanging host's first call never returns: its sink is dropped, its object stays.
        ASSERT_EQ(live.Place(L"GC", 600), S_OK);
        EXPECT_TRUE(listening.WaitFor("status 600 1 2 3", 5000));
        ASSERT_TRUE(WaitForSubscribers(2, 15000)) << ServerControlText(kSubscribersLabel);

        listener.Kill();
        hanging.Kill();
        // No order, no file, no event from here on.
        EXPECT_TRUE(WaitForSubscribers(1, 10000)) << ServerControlText(kSubscribersLabel);
        live.Unadvise();
    }
    EXPECT_TRUE(WaitForServerEnd(10000)) << "the killed hosts' objects keep the server running";
    EXPECT_TRUE(standin.Stop());
}
#endif

}  // namespace

}  // namespace ordersrv
