// Orders get out while OUTGOING holds much to read. NinjaTrader keeps a state file in OUTGOING
// for every working order; the scan reads each when it is new (and again while its write time
// is recent), and a listing then takes longer than the scan period: requests must not pile up
// ahead of the orders. Against the real OrderSrv.exe: many working orders with their state
// files, then orders placed one at a time, each timed until its line stands in a file in
// INCOMING.
// Size: ORDERSRV_LOAD_WORKING (working orders, 600 here; scripts/load.sh 1000),
// ORDERSRV_LOAD_LATE_ORDERS (orders timed, 5; 10) spaced ORDERSRV_LOAD_LATE_SPACING_MS apart
// (1500; 6000, so ten take a minute). Each must reach INCOMING within a second.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "LoadSupport.h"

namespace ordersrv {

namespace {

constexpr LONG kBuy = 0, kDay = 0, kMarket = 0, kLimit = 1;
constexpr double kLimitMs = 1000;

using Clock = std::chrono::steady_clock;

// True once an instruction file in the folder holds the order's PLACE line.
bool LineInIncoming(const std::string& incoming, LONG reference) {
    const std::string id = ";HALVENMAR" + std::to_string(reference) + ";";
    for (const InstructionFile& file : ReadInstructionFiles(incoming))
        if (file.content.find(id) != std::string::npos) return true;
    return false;
}

void EmptyFolder(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*.TXT").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do DeleteFileA((folder + "\\" + found.cFileName).c_str());
    while (FindNextFileA(find, &found));
    FindClose(find);
}

TEST(WorkingOrderFiles, OrdersReachIncomingWithinASecondWhileOutgoingHoldsEveryWorkingOrdersFile) {
    const int working = EnvironmentNumber("ORDERSRV_LOAD_WORKING", 600);
    const int timed = EnvironmentNumber("ORDERSRV_LOAD_LATE_ORDERS", 5);
    const int spacingMs = EnvironmentNumber("ORDERSRV_LOAD_LATE_SPACING_MS", 1500);
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    {
        RunningServer server(ORDERSRV_RUN_DIR "/working");
        ASSERT_TRUE(server.StartThroughCom());
        ComPtr<IOrderServer> client = CreateOrderServer();
        ASSERT_TRUE(client);
        const std::string incoming = server.IncomingFolder();
        const std::string outgoing = server.Folder().NinjaTraderFolder() + "\\OUTGOING";
        ScopedVariant symbol(L"ES 03-27"), empty;

        // Resting limit orders, then the state file NinjaTrader keeps for each while it works.
        for (LONG ref = 1; ref <= working; ++ref)
            ASSERT_EQ(client->NewOrder(symbol.v, empty.v, 0, empty.v, kBuy, kDay, kLimit, 1, 1.0, ref),
                      S_OK);
        for (int i = 0; i < 600 && !LineInIncoming(incoming, working); ++i) Sleep(50);
        ASSERT_TRUE(LineInIncoming(incoming, working));
        EmptyFolder(incoming);
        for (LONG ref = 1; ref <= working; ++ref)
            std::ofstream(outgoing + "\\HALVENMAR" + std::to_string(ref) + ".TXT", std::ios::binary)
                << "WORKING;0;0\r\n";
        Sleep(2000);  // scans now read every one of them

        std::vector<double> delays;
        for (int k = 0; k < timed; ++k) {
            Sleep(static_cast<DWORD>(spacingMs));
            const LONG ref = 100000 + k;
            const Clock::time_point start = Clock::now();
            ASSERT_EQ(client->NewOrder(symbol.v, empty.v, 0, empty.v, kBuy, kDay, kMarket, 1, 0.0, ref),
                      S_OK);
            while (!LineInIncoming(incoming, ref) &&
                   Clock::now() - start < std::chrono::seconds(60))
                Sleep(5);
            delays.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            EmptyFolder(incoming);
        }
        std::printf("FIGURE working_files=%d orders=%d spacing_ms=%d", working, timed, spacingMs);
        for (const double ms : delays) std::printf(" %.0f", ms);
        std::printf(" (ms, NewOrder to its line in INCOMING)\n");
        for (size_t k = 0; k < delays.size(); ++k)
            EXPECT_LE(delays[k], kLimitMs) << "order " << k << " waited behind the scans";
        client.Reset();
    }
    CoUninitialize();
}

}  // namespace

}  // namespace ordersrv
