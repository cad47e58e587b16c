// NewOrder to its instruction file, complete, in INCOMING: one order at a time; the clock starts
// before the call and stops when a file holding the order's PLACE line is seen. A random pause
// before each order spaces the calls as a host's orders would be, so that each finds the server
// idle. The file's last-write time splits each figure: NewOrder to the server writing the file,
// and the rest (moving it into INCOMING, and this client noticing it). The floor, measured in
// the same run: what no server can go below, one out-of-process call (GetAccountInfo) and one
// file written and renamed beside INCOMING, noticed by the same client loop.
#include <cstdio>
#include <random>
#include <vector>

#include "bench/com/Benchmarks.h"
#include "bench/com/IncomingWatch.h"

namespace ordersrv {

namespace bench {

namespace {

// Waits until the watch shows the order's PLACE line; false after five seconds.
bool SeenInTime(IncomingWatch& watch, LONG ref, double start, uint64_t& writtenAt) {
    while (NowMs() - start < 5000) {
        for (const IncomingWatch::PlacedOrder& placed : watch.TakeNewOrders())
            if (placed.ref == ref) {
                writtenAt = placed.writtenAt;
                return true;
            }
        Sleep(1);
    }
    return false;
}

std::vector<double> MeasureFloor(ServerClient& server, const std::string& incoming, int samples) {
    const std::string folder = incoming + "\\..\\FLOOR";
    CreateDirectoryA(folder.c_str(), nullptr);
    IncomingWatch watch(folder, true);
    std::mt19937 random(17);
    std::vector<double> floor;
    for (int i = 0; i < samples; ++i) {
        Sleep(random() % 21);
        const LONG ref = 1000000 + i;
        const std::string line = "PLACE;Sim101;ES;BUY;1;MARKET;0;0;DAY;;HALVENMAR" +
                                 std::to_string(ref) + ";;\r\n";
        const double start = NowMs();
        uint64_t writtenAt = 0;
        if (FAILED(server.GetAccountInfoEarly()) ||
            !PlaceFileWhole(folder + "\\OIF" + std::to_string(i) + ".TXT", line) ||
            !SeenInTime(watch, ref, start, writtenAt))
            break;
        floor.push_back(NowMs() - start);
    }
    watch.Clear();
    RemoveDirectoryA(folder.c_str());
    return floor;
}

}  // namespace

int RunIncomingLatency(const std::string& incoming, int orders, const std::string& name) {
    Apartment apartment;
    ServerClient server;
    if (!apartment.Ok() || !server.Create()) return 1;
    IncomingWatch watch(incoming, true);
    watch.Clear();

    std::mt19937 random(11);
    std::vector<double> latencies, written;
    int lost = 0;
    const int warmUp = 5;
    for (int i = 0; i < orders + warmUp; ++i) {
        Sleep(random() % 21);
        const LONG ref = 2000000 + i;
        FILETIME calledAt;
        GetSystemTimePreciseAsFileTime(&calledAt);
        const double start = NowMs();
        if (FAILED(server.NewOrderEarly(ref))) {
            std::fprintf(stderr, "combench: NewOrder failed\n");
            return 1;
        }
        uint64_t writtenAt = 0;
        const bool found = SeenInTime(watch, ref, start, writtenAt);
        if (!found) ++lost;
        else if (i >= warmUp) {
            latencies.push_back(NowMs() - start);
            const uint64_t called = (static_cast<uint64_t>(calledAt.dwHighDateTime) << 32) | calledAt.dwLowDateTime;
            written.push_back((static_cast<double>(writtenAt) - static_cast<double>(called)) / 10000.0);
        }
    }
    PrintLatency("Floor: one call and one file written and renamed", name + "_floor_ms",
                 Summarise(MeasureFloor(server, incoming, orders)));
    const Figures w = Summarise(written);
    PrintLatency("NewOrder to the file's last write (its time stamp)", name + "_written_ms", w);
    const Figures f = Summarise(latencies);
    PrintLatency("NewOrder to instruction file in INCOMING", name + "_ms", f,
                 " (" + std::to_string(f.count) + " orders, " + std::to_string(lost) +
                     " not seen in 5 s)");
    PrintFigure(name + "_lost", lost);
    return 0;
}

}  // namespace bench

}  // namespace ordersrv
