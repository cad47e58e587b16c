// NewOrder to its instruction file, complete, in INCOMING: one order at a time; the clock starts
// before the call and stops when a file holding the order's PLACE line is seen. A random pause
// before each order spreads the calls over the event queue thread's 20 ms idle sleep, as a host's
// orders would be. The file's last-write time splits each figure: NewOrder to the server writing
// the file, and the rest (moving it into INCOMING, and this client noticing it).
#include <cstdio>
#include <random>
#include <vector>

#include "bench/com/Benchmarks.h"
#include "bench/com/IncomingWatch.h"

namespace ordersrv {

namespace bench {

int RunIncomingLatency(const std::string& incoming, int orders) {
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
        bool found = false;
        uint64_t writtenAt = 0;
        while (!found && NowMs() - start < 5000) {
            for (const IncomingWatch::PlacedOrder& placed : watch.TakeNewOrders())
                if (placed.ref == ref) {
                    found = true;
                    writtenAt = placed.writtenAt;
                }
            if (!found) Sleep(1);
        }
        if (!found) ++lost;
        else if (i >= warmUp) {
            latencies.push_back(NowMs() - start);
            const uint64_t called = (static_cast<uint64_t>(calledAt.dwHighDateTime) << 32) | calledAt.dwLowDateTime;
            written.push_back((static_cast<double>(writtenAt) - static_cast<double>(called)) / 10000.0);
        }
    }
    const Figures w = Summarise(written);
    PrintLatency("NewOrder to the file's last write (its time stamp)", "incoming_written_ms", w);
    const Figures f = Summarise(latencies);
    PrintLatency("NewOrder to instruction file in INCOMING", "incoming_ms", f,
                 " (" + std::to_string(f.count) + " orders, " + std::to_string(lost) +
                     " not seen in 5 s)");
    PrintFigure("incoming_lost", lost);
    return 0;
}

}  // namespace bench

}  // namespace ordersrv
