// The end of a run while orders are still queued, against the real OrderSrv.exe: whatever ends
// it on purpose, every order a host was answered S_OK for reaches INCOMING, exactly once.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "LoadSupport.h"

namespace ordersrv {

namespace {

HRESULT PlaceMarketOrder(IOrderServer* server, LONG reference) {
    ScopedVariant symbol(L"ES"), empty;
    return server->NewOrder(symbol.v, empty.v, 0, empty.v, 0, 0, 0, 1, 0.0, reference);
}

// How many PLACE lines in INCOMING carry each reference.
std::map<int32_t, int> PlacedReferences(const std::string& incoming) {
    std::map<int32_t, int> placed;
    for (const InstructionFile& file : ReadInstructionFiles(incoming))
        for (const std::string& line : file.lines) {
            const std::vector<std::string> fields = SplitFields(line);
            int32_t reference = -1;
            if (fields.size() == 13 && fields[0] == "PLACE" && OrderIdReference(fields[10], reference))
                ++placed[reference];
        }
    return placed;
}

// What ends a call once the server is closing: its own error, or the transport's once the
// process has gone.
bool IsClosingFailure(HRESULT hr) {
    return hr == E_UNEXPECTED || hr == RPC_E_DISCONNECTED || hr == CO_E_OBJNOTCONNECTED ||
           HRESULT_FACILITY(hr) == FACILITY_RPC || HRESULT_FACILITY(hr) == FACILITY_WIN32;
}

// The test's own thread in the multithreaded apartment, for the suite.
class EndOfRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    static void TearDownTestSuite() { CoUninitialize(); }
};

// A script that sends a bracket and ends does this: places its orders back to back and lets go
// of its only object, which ends a server COM started.
TEST_F(EndOfRun, LastReleaseRightAfterABurstWritesEveryOrder) {
    const int orders = EnvironmentNumber("ORDERSRV_END_ORDERS", 50);
    RunningServer server(std::string(ORDERSRV_RUN_DIR) + "\\end-release");
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(server.StartThroughCom());
        std::vector<LONG> accepted;
        {
            ComPtr<IOrderServer> host = CreateOrderServer();
            ASSERT_TRUE(host);
            for (int i = 0; i < orders; ++i) {
                const LONG reference = 1000 * (round + 1) + i;
                ASSERT_EQ(PlaceMarketOrder(host.Get(), reference), S_OK);
                accepted.push_back(reference);
            }
        }
        ASSERT_TRUE(server.Stop()) << "the server did not end after its last release";
        const std::map<int32_t, int> placed = PlacedReferences(server.IncomingFolder());
        for (const LONG reference : accepted) {
            const auto found = placed.find(reference);
            EXPECT_EQ(found == placed.end() ? 0 : found->second, 1)
                << "round " << round << ": order " << reference;
        }
    }
}

struct ClientRun {
    std::vector<LONG> accepted;
    HRESULT ending = S_OK;  // the call that was refused
};

// Places orders back to back until a call is refused.
void PlaceUntilRefused(int client, ClientRun& run, std::atomic<int>& total) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
        ComPtr<IOrderServer> host = CreateOrderServer(&run.ending);
        for (LONG i = 0; host; ++i) {
            const LONG reference = 100000 * (client + 1) + i;
            const HRESULT hr = PlaceMarketOrder(host.Get(), reference);
            if (hr != S_OK) {
                run.ending = hr;
                break;
            }
            run.accepted.push_back(reference);
            ++total;
        }
    }
    CoUninitialize();
}

TEST_F(EndOfRun, ExitDuringABurstFromFourClientsLosesNoAcceptedOrder) {
    RunningServer server(std::string(ORDERSRV_RUN_DIR) + "\\end-exit");
    ASSERT_TRUE(server.StartThroughCom());
    constexpr int kClients = 4;
    ClientRun runs[kClients];
    std::atomic<int> total{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c)
        clients.emplace_back(PlaceUntilRefused, c, std::ref(runs[c]), std::ref(total));
    for (int waited = 0; total < 400 && waited < 30000; waited += 10) Sleep(10);

    // Exit, Yes to the close, Yes to the warning about the clients' objects.
    PostMessageA(FindWindowA("TNTOrderServerForm", nullptr), WM_CLOSE, 0, 0);
    EXPECT_NE(AnswerMessageBox("Confirm", IDYES, 20000), "");
    EXPECT_NE(AnswerMessageBox("COM Server Warning", IDYES, 20000), "");
    for (std::thread& client : clients) client.join();
    EXPECT_EQ(WaitForSingleObject(server.Process(), 30000), static_cast<DWORD>(WAIT_OBJECT_0));

    const std::map<int32_t, int> placed = PlacedReferences(server.IncomingFolder());
    size_t accepted = 0;
    for (const ClientRun& run : runs) {
        EXPECT_TRUE(IsClosingFailure(run.ending)) << std::hex << run.ending;
        accepted += run.accepted.size();
        for (const LONG reference : run.accepted) {
            const auto found = placed.find(reference);
            EXPECT_EQ(found == placed.end() ? 0 : found->second, 1) << "order " << reference;
        }
    }
    std::printf("Exit during a burst: %zu orders accepted, every one in INCOMING once\n", accepted);
    server.Kill();
}

}  // namespace

}  // namespace ordersrv
