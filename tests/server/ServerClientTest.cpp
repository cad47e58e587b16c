// A client of the real OrderSrv.exe: COM starts the server out of process (-Embedding) and the
// members are called early-bound through the type-library marshaler and late-bound through
// IDispatch. Also the rules by which the server process lives and ends.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/RegisteredServerTest.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/StandinProcess.h"
#include "tools/InvokeArguments.h"
#include "platform/Scoped.h"
#include "server/ComPtr.h"
#include "server/Quillmere.h"

namespace ordersrv {

namespace {

constexpr DWORD kServerEndMs = 20000;

using plat::ScopedVariant;

ComPtr<IOrderServer> CreateServerObject() {
    ComPtr<IOrderServer> server;
    const HRESULT hr = CoCreateInstance(CLSID_OrderServer, nullptr, CLSCTX_LOCAL_SERVER,
                                        IID_IOrderServer, reinterpret_cast<void**>(server.Out()));
    EXPECT_EQ(hr, S_OK);
    return server;
}

HRESULT PlaceOrder(IOrderServer* server, const wchar_t* symbol, LONG reference) {
    ScopedVariant name(symbol), empty;
    return server->NewOrder(name.v, empty.v, 0, empty.v, 0, 0, 0, 2, 0.0, reference);
}

// Polls GetOrderStatus until the status is `wanted`; the last status seen.
LONG WaitForStatus(IOrderServer* server, LONG reference, LONG wanted, LONG& filled) {
    LONG status = -1;
    for (int i = 0; i < 200 && status != wanted; ++i) {
        double price = 0;
        VARIANT_BOOL found = VARIANT_FALSE;
        EXPECT_EQ(server->GetOrderStatus(reference, &status, &filled, &price, &found), S_OK);
        if (status != wanted) Sleep(100);
    }
    return status;
}

bool WaitForPosition(IOrderServer* server, const wchar_t* symbol, LONG& size) {
    ScopedVariant name(symbol), empty;
    for (int i = 0; i < 200; ++i) {
        double cost = 0;
        VARIANT_BOOL found = VARIANT_FALSE;
        EXPECT_EQ(server->GetPositionInfo(name.v, empty.v, 0, empty.v, &size, &cost, &found), S_OK);
        if (found == VARIANT_TRUE) return true;
        Sleep(100);
    }
    return false;
}

// Every test releases its objects: the server that COM started must end by itself.
class ServerClient : public testsupport::RegisteredServerTest {
protected:
    static void SetUpTestSuite() {
        // The 32-bit host lane runs these clients against a server of the other bitness.
        const char* server = std::getenv("ORDERSRV_SERVER_EXE");
        RegisterServer(server && *server ? server : ORDERSRV_EXE, ORDERSRV_RUN_DIR);
    }
};

TEST_F(ServerClient, EveryMemberEarlyBound) {
    ComPtr<IOrderServer> server = CreateServerObject();
    ASSERT_TRUE(server);
    VARIANT_BOOL value = 1;
    EXPECT_EQ(server->get_Connected(&value), S_OK);
    EXPECT_EQ(value, VARIANT_TRUE);  // the NinjaTrader folder exists

    ASSERT_EQ(PlaceOrder(server.Get(), L"ES", 100), S_OK);
    LONG status = -1, filled = -1, size = -1;
    double price = -1, cost = -1;
    EXPECT_EQ(server->GetOrderStatus(100, &status, &filled, &price, &value), S_OK);
    EXPECT_EQ(value, VARIANT_TRUE);
    EXPECT_NE(status, 4);
    EXPECT_EQ(server->CancelOrder(100), S_OK);
    EXPECT_EQ(server->GetOrderStatus(101, &status, &filled, &price, &value), S_OK);
    EXPECT_EQ(value, VARIANT_FALSE);
    EXPECT_EQ(status, 4);

    ScopedVariant symbol(L"NOSUCH"), empty;
    EXPECT_EQ(server->GetPositionSize(symbol.v, empty.v, 0, empty.v, &size, &value), S_OK);
    EXPECT_EQ(value, VARIANT_FALSE);
    EXPECT_EQ(server->GetPositionInfo(symbol.v, empty.v, 0, empty.v, &size, &cost, &value), S_OK);
    EXPECT_EQ(value, VARIANT_FALSE);
    EXPECT_EQ(size, 0);

    ScopedVariant lists[4];
    EXPECT_EQ(server->GetAllPositionSpec(&lists[0].v, &lists[1].v, &lists[2].v, &lists[3].v, &value),
              S_OK);
    EXPECT_EQ(value, VARIANT_FALSE);
    for (ScopedVariant& list : lists) EXPECT_EQ(V_VT(&list.v), VT_EMPTY);
    ScopedVariant account;
    EXPECT_EQ(server->GetAccountInfo(&account.v, &value), S_OK);
    EXPECT_EQ(value, VARIANT_FALSE);
    EXPECT_EQ(V_VT(&account.v), VT_EMPTY);

    EXPECT_EQ(server->NewOrder(invokearg::Null(), empty.v, 0, empty.v, 0, 0, 0, 1, 0, 102),
              E_UNEXPECTED);
}

TEST_F(ServerClient, EveryMemberLateBound) {
    ComPtr<IOrderServer> server = CreateServerObject();
    ASSERT_TRUE(server);
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(server->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.Out())), S_OK);
    server.Reset();

    // Error information reaches the client through the proxy.
    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(dispatch->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(support.Out())),
              S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IOrderServer), S_OK);

    const auto invoke = [&](DISPID member, WORD flags, VARIANTARG* args, UINT count,
                            VARIANT* result, EXCEPINFO* exception) {
        DISPPARAMS params{args, nullptr, count, 0};
        UINT argumentError = 0;
        return dispatch->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                                exception, &argumentError);
    };
    ScopedVariant connected;
    EXPECT_EQ(invoke(1, DISPATCH_PROPERTYGET, nullptr, 0, &connected.v, nullptr), S_OK);
    EXPECT_EQ(V_VT(&connected.v), VT_BOOL);

    // NewOrder("ES", "", 0, "", 0, 0, 0, 1, 0.0, 200), arguments last to first.
    VARIANTARG args[10];
    for (VARIANTARG& a : args) {
        VariantInit(&a);
        V_VT(&a) = VT_I4;
        V_I4(&a) = 0;
    }
    ScopedVariant symbol(L"ES");
    args[9] = symbol.v;
    V_VT(&args[8]) = VT_EMPTY;
    V_VT(&args[6]) = VT_EMPTY;
    V_I4(&args[2]) = 1;
    V_VT(&args[1]) = VT_R8;
    V_R8(&args[1]) = 0.0;
    V_I4(&args[0]) = 200;
    EXPECT_EQ(invoke(2, DISPATCH_METHOD, args, 10, nullptr, nullptr), S_OK);

    V_VT(&args[9]) = VT_NULL;
    V_I4(&args[0]) = 201;
    EXCEPINFO exception{};
    EXPECT_EQ(invoke(2, DISPATCH_METHOD, args, 10, nullptr, &exception), DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_UNEXPECTED);
    EXPECT_STREQ(exception.bstrDescription ? exception.bstrDescription : L"",
                 L"Invalid variant type conversion");
    EXPECT_STREQ(exception.bstrSource ? exception.bstrSource : L"", L"Quillmere.OrderServer");
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);

    // GetOrderStatus(200, status, filled, price): typed references, then script-style ones.
    LONG status = -1, filled = -1;
    double price = -1;
    VARIANTARG outs[4];
    V_VT(&outs[3]) = VT_I4;
    V_I4(&outs[3]) = 200;
    V_VT(&outs[2]) = VT_I4 | VT_BYREF;
    V_I4REF(&outs[2]) = &status;
    V_VT(&outs[1]) = VT_I4 | VT_BYREF;
    V_I4REF(&outs[1]) = &filled;
    V_VT(&outs[0]) = VT_R8 | VT_BYREF;
    V_R8REF(&outs[0]) = &price;
    ScopedVariant found;
    EXPECT_EQ(invoke(4, DISPATCH_METHOD, outs, 4, &found.v, nullptr), S_OK);
    EXPECT_EQ(V_BOOL(&found.v), VARIANT_TRUE);
    EXPECT_NE(status, 4);

    ScopedVariant scriptStatus, scriptFilled, scriptPrice;
    V_VT(&outs[2]) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&outs[2]) = &scriptStatus.v;
    V_VT(&outs[1]) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&outs[1]) = &scriptFilled.v;
    V_VT(&outs[0]) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&outs[0]) = &scriptPrice.v;
    V_I4(&outs[3]) = 999;
    VariantClear(&found.v);
    EXPECT_EQ(invoke(4, DISPATCH_METHOD, outs, 4, &found.v, nullptr), S_OK);
    EXPECT_EQ(V_BOOL(&found.v), VARIANT_FALSE);
    EXPECT_EQ(V_VT(&scriptStatus.v), VT_I4);
    EXPECT_EQ(V_I4(&scriptStatus.v), 4);

    // CancelOrder(200), GetAccountInfo(info)
    VARIANTARG cancel;
    V_VT(&cancel) = VT_I4;
    V_I4(&cancel) = 200;
    EXPECT_EQ(invoke(3, DISPATCH_METHOD, &cancel, 1, nullptr, nullptr), S_OK);
    ScopedVariant account;
    VARIANTARG accountArg;
    V_VT(&accountArg) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&accountArg) = &account.v;
    VariantClear(&found.v);
    EXPECT_EQ(invoke(8, DISPATCH_METHOD, &accountArg, 1, &found.v, nullptr), S_OK);
    EXPECT_EQ(V_BOOL(&found.v), VARIANT_FALSE);
    EXPECT_EQ(V_VT(&account.v), VT_EMPTY);
}

TEST_F(ServerClient, TwoClientsSeeEachOthersOrders) {
    ComPtr<IOrderServer> first = CreateServerObject(), second = CreateServerObject();
    ASSERT_TRUE(first && second);
    ASSERT_EQ(PlaceOrder(first.Get(), L"NQ", 300), S_OK);
    ASSERT_EQ(PlaceOrder(second.Get(), L"NQ", 301), S_OK);
    LONG status = -1, filled = -1;
    double price = 0;
    VARIANT_BOOL found = VARIANT_FALSE;
    EXPECT_EQ(second->GetOrderStatus(300, &status, &filled, &price, &found), S_OK);
    EXPECT_EQ(found, VARIANT_TRUE);
    EXPECT_EQ(first->GetOrderStatus(301, &status, &filled, &price, &found), S_OK);
    EXPECT_EQ(found, VARIANT_TRUE);
}

TEST_F(ServerClient, PositionListsComeFromTheOutgoingFolder) {
    folder->WritePositionFile("ES", "LONG;2;4500.25\r\n");
    folder->WritePositionFile("CL", "SHORT;1;71.5\r\n");
    ComPtr<IOrderServer> server = CreateServerObject();
    ASSERT_TRUE(server);
    LONG size = 0;
    ASSERT_TRUE(WaitForPosition(server.Get(), L"cl", size));
    EXPECT_EQ(size, -1);
    ASSERT_TRUE(WaitForPosition(server.Get(), L"ES", size));
    EXPECT_EQ(size, 2);

    ScopedVariant lists[4];
    VARIANT_BOOL found = VARIANT_FALSE;
    EXPECT_EQ(server->GetAllPositionSpec(&lists[0].v, &lists[1].v, &lists[2].v, &lists[3].v, &found),
              S_OK);
    EXPECT_EQ(found, VARIANT_TRUE);
    // Both symbols cross to the client; the lists' shape is the object's own rule.
    ASSERT_EQ(V_VT(&lists[0].v), VT_ARRAY | VT_VARIANT);
    LONG high = -1;
    SafeArrayGetUBound(V_ARRAY(&lists[0].v), 1, &high);
    EXPECT_EQ(high, 1);
    DeleteFileA((folder->NinjaTraderFolder() + "\\outgoing\\ES GLOBEX_SIM101_POSITION.TXT").c_str());
    DeleteFileA((folder->NinjaTraderFolder() + "\\outgoing\\CL GLOBEX_SIM101_POSITION.TXT").c_str());
}

#ifdef ORDERSRV_STANDIN
TEST_F(ServerClient, OrderComesBackFilledFromTheNinjaTraderStandIn) {
    testsupport::StandinProcess standin(ORDERSRV_STANDIN, folder->NinjaTraderFolder(),
                                        folder->Folder(), {"--fill-price", "101.5"});
    ASSERT_TRUE(standin.Started());

    ComPtr<IOrderServer> server = CreateServerObject();
    ASSERT_TRUE(server);
    ASSERT_EQ(PlaceOrder(server.Get(), L"YM", 400), S_OK);
    LONG filled = 0;
    EXPECT_EQ(WaitForStatus(server.Get(), 400, 1, filled), 1);  // Filled
    EXPECT_EQ(filled, 2);
    LONG size = 0;
    EXPECT_TRUE(WaitForPosition(server.Get(), L"YM", size));
    EXPECT_EQ(size, 2);
    server.Reset();
    EXPECT_TRUE(standin.Stop());
}
#endif

TEST_F(ServerClient, AutomationServerEndsAfterTheLastReleaseWithoutSavingSettings) {
    // Written in a form the server itself would not write, so any save shows.
    const std::string settings = folder->ReadSettings() + "\r\n";
    std::ofstream(folder->SettingsPath(), std::ios::binary | std::ios::trunc) << settings;
    {
        ComPtr<IOrderServer> server = CreateServerObject();
        ASSERT_TRUE(server);
        VARIANT_BOOL connected = 0;
        EXPECT_EQ(server->get_Connected(&connected), S_OK);
        EXPECT_TRUE(ServerIsRunning());
    }
    EXPECT_TRUE(WaitForServerEnd(kServerEndMs));
    EXPECT_EQ(folder->ReadSettings(), settings);
}

// Ends a server started for a test, however the test ends: its message loop is told to end, as
// the window's close would, so its class object is revoked (a killed server would stay
// registered with COM).
struct EndAtExit {
    HANDLE process;
    ~EndAtExit() {
        if (HWND window = FindWindowA("TNTOrderServerForm", nullptr))
            PostThreadMessageA(GetWindowThreadProcessId(window, nullptr), WM_QUIT, 0, 0);
        if (WaitForSingleObject(process, 20000) != WAIT_OBJECT_0) TerminateProcess(process, 1);
        CloseHandle(process);
    }
};

bool SameBitnessAs(HANDLE process) {
    BOOL ours = FALSE, theirs = FALSE;
    IsWow64Process(GetCurrentProcess(), &ours);
    IsWow64Process(process, &theirs);
    return ours == theirs;
}

// Windows refuses a registry write to a standard user; here a key made volatile refuses every
// key below it, as Wine lets nothing lasting be written under a key that does not last.
// In both registry views, whatever the bitness of the server.
class RefusingKey {
public:
    explicit RefusingKey(const char* key) : key_(key) {
        for (int view = 0; view < 2; ++view)
            made_ = RegCreateKeyExA(HKEY_CLASSES_ROOT, key, 0, nullptr, REG_OPTION_VOLATILE,
                                    KEY_ALL_ACCESS | kViews[view], nullptr, &handles_[view],
                                    nullptr) == ERROR_SUCCESS &&
                    (view == 0 || made_);
    }
    ~RefusingKey() {
        for (int view = 0; view < 2; ++view) {
            if (handles_[view]) RegCloseKey(handles_[view]);
            RegDeleteKeyExA(HKEY_CLASSES_ROOT, key_.c_str(), kViews[view], 0);
        }
    }
    bool Made() const { return made_; }

private:
    static constexpr REGSAM kViews[2] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
    std::string key_;
    HKEY handles_[2] = {};
    bool made_ = false;
};

TEST_F(ServerClient, RefusedRegistryWriteFailsRegServerButNotAStartWhichLogsItOnce) {
    ASSERT_EQ(folder->RunToEnd("/UnregServer"), 0);
    {
        RefusingKey refusing("Quillmere.OrderServer");
        ASSERT_TRUE(refusing.Made());

        std::string boxText;
        std::thread answer([&] { boxText = AnswerMessageBox("Application Error", IDOK, 30000); });
        EXPECT_EQ(folder->RunToEnd("/RegServer"), 1);
        answer.join();
        EXPECT_NE(boxText.find("Error creating system registry entry"), std::string::npos) << boxText;

        const HANDLE server = folder->Start("");
        ASSERT_TRUE(server);
        EndAtExit endAtExit{server};
        ASSERT_TRUE(WaitForServerWindow(kServerEndMs));
        if (!SameBitnessAs(server))
            GTEST_SKIP() << "the log list of a server of the other bitness cannot be read from here";
        Sleep(300);
        std::vector<std::string> registration;
        for (const std::string& line : ReadServerLog(FindWindowA("TNTOrderServerForm", nullptr)))
            if (line.rfind("Registration incomplete: ", 0) == 0) registration.push_back(line);
        ASSERT_EQ(registration.size(), 1u);
        EXPECT_NE(registration[0].find("HKEY_CLASSES_ROOT\\Quillmere.OrderServer\\Clsid"),
                  std::string::npos)
            << registration[0];
    }
    EXPECT_EQ(folder->RunToEnd("/RegServer"), 0);
}

// The user asks to close twice before answering (a slow first Exit invites a second one):
// one question, one end of the process, the settings saved whole.
TEST_F(ServerClient, ClosingWhileAClientHoldsAnObjectWarnsAndNoKeepsServingIt) {
    ComPtr<IOrderServer> server = CreateServerObject();
    ASSERT_TRUE(server);
    ASSERT_TRUE(WaitForServerWindow(kServerEndMs));
    PostMessageA(FindWindowA("TNTOrderServerForm", nullptr), WM_CLOSE, 0, 0);
    EXPECT_NE(AnswerMessageBox("Confirm", IDYES, kServerEndMs), "");
    EXPECT_EQ(AnswerMessageBox("COM Server Warning", IDNO, kServerEndMs),
              "There are still active COM objects in this application.  One or more clients may "
              "have references to these objects, so manually closing this application may cause "
              "those client application(s) to fail.\r\n\r\nAre you sure you want to close this "
              "application?");
    EXPECT_FALSE(WaitForServerEnd(2000));
    EXPECT_EQ(PlaceOrder(server.Get(), L"ES", 600), S_OK);
    LONG status = -1, filled = 0;
    double price = 0;
    VARIANT_BOOL found = VARIANT_FALSE;
    EXPECT_EQ(server->GetOrderStatus(600, &status, &filled, &price, &found), S_OK);
    EXPECT_EQ(found, VARIANT_TRUE);
    server.Reset();
    EXPECT_TRUE(WaitForServerEnd(kServerEndMs));
    folder->WriteSettings(true);  // the close saved them
}

TEST_F(ServerClient, SecondCloseWhileAskedLeavesOneQuestionAndOneCleanEnd) {
    const HANDLE server = folder->Start("");
    ASSERT_TRUE(server);
    ASSERT_TRUE(WaitForServerWindow(kServerEndMs));
    HWND window = FindWindowA("TNTOrderServerForm", nullptr);
    PostMessageA(window, WM_CLOSE, 0, 0);
    HWND box = nullptr;
    for (int i = 0; i < 200 && !box; ++i, Sleep(50)) box = FindWindowA("#32770", "Confirm");
    ASSERT_TRUE(box);
    PostMessageA(window, WM_CLOSE, 0, 0);
    Sleep(500);
    int boxes = 0;
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", "Confirm")) != nullptr;) ++boxes;
    EXPECT_EQ(boxes, 1);
    PostMessageA(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
    EXPECT_EQ(WaitForSingleObject(server, kServerEndMs), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD exitCode = 1;
    GetExitCodeProcess(server, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    if (WaitForSingleObject(server, 0) != WAIT_OBJECT_0) TerminateProcess(server, 1);
    CloseHandle(server);
    EXPECT_EQ(folder->ReadSettings(), "Account=SIM101\r\nLocation=" + folder->NinjaTraderFolder() +
                                          "\r\nAcceptOrders=1\r\nStopToStopLimit=0\r\n");
    folder->WriteSettings(true);
}

TEST_F(ServerClient, StandaloneServerStaysAndASecondStartChangesNothing) {
    // A switch with extra characters is no switch: this is a standalone start.
    const HANDLE standalone = folder->Start("-regserverx");
    ASSERT_TRUE(standalone);
    EndAtExit endAtExit{standalone};
    ASSERT_TRUE(WaitForServerWindow(kServerEndMs));
    {
        ComPtr<IOrderServer> server = CreateServerObject();
        ASSERT_TRUE(server);
        ASSERT_EQ(PlaceOrder(server.Get(), L"ES", 600), S_OK);
    }
    EXPECT_EQ(WaitForSingleObject(standalone, 2000), static_cast<DWORD>(WAIT_TIMEOUT));

    {
        // Still the same server: it knows the order placed before.
        ComPtr<IOrderServer> server = CreateServerObject();
        ASSERT_TRUE(server);
        LONG status = -1, filled = 0;
        double price = 0;
        VARIANT_BOOL found = VARIANT_FALSE;
        EXPECT_EQ(server->GetOrderStatus(600, &status, &filled, &price, &found), S_OK);
        EXPECT_EQ(found, VARIANT_TRUE);
    }
    // A second instance ends at once with 0 and leaves the registration alone.
    EXPECT_EQ(folder->RunToEnd("/UnregServer"), 0);
    std::string value;
    EXPECT_TRUE(ReadClassesRootDefault("Quillmere.OrderServer\\Clsid", value));
    EXPECT_EQ(folder->RunToEnd("-Embedding"), 0);
    EXPECT_TRUE(CreateServerObject());
}

}  // namespace

}  // namespace ordersrv
