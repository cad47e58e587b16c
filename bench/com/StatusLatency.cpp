// An order-state file appearing in OUTGOING to GetOrderStatus answering its new status: the file
// is written under another extension and renamed into place (as NinjaTrader's files appear
// whole), the clock starts at the rename, and the client polls GetOrderStatus until the order
// shows Filled. A random pause before each file spreads them over the 100 ms periodic scan, so
// a figure that leans on that scan rather than on the folder watch shows it.
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/com/Benchmarks.h"
#include "bench/com/IncomingWatch.h"

namespace ordersrv {

namespace bench {

int RunStatusLatency(const std::string& incoming, const std::string& outgoing, int samples) {
    Apartment apartment;
    ServerClient server;
    if (!apartment.Ok() || !server.Create()) return 1;
    const std::string folder = outgoing.empty() || outgoing.back() == '\\' ? outgoing : outgoing + '\\';

    const int warmUp = 3;
    const LONG firstRef = 3000000;
    for (int i = 0; i < samples + warmUp; ++i)
        if (FAILED(server.NewOrderEarly(firstRef + i))) return 1;

    std::mt19937 random(13);
    std::vector<double> latencies;
    int unseen = 0;
    for (int i = 0; i < samples + warmUp; ++i) {
        Sleep(random() % 101);
        const LONG ref = firstRef + i;
        const std::string name = folder + "HALVENMAR" + std::to_string(ref);
        if (!PlaceFileWhole(name + ".TXT", "FILLED;1;5000.25\r\n")) {
            std::fprintf(stderr, "combench: cannot write %s.TXT\n", name.c_str());
            return 1;
        }
        const double start = NowMs();
        LONG status = 4;
        while (NowMs() - start < 5000) {
            if (FAILED(server.GetOrderStatusEarly(ref, status))) return 1;
            if (status == 1) break;
            Sleep(1);
        }
        if (status != 1) ++unseen;
        else if (i >= warmUp) latencies.push_back(NowMs() - start);
    }
    IncomingWatch(incoming, true).Clear();  // the PLACE files of these orders

    const Figures f = Summarise(latencies);
    PrintLatency("State file in OUTGOING to GetOrderStatus showing it", "status_ms", f,
                 " (" + std::to_string(f.count) + " files, " + std::to_string(unseen) +
                     " not shown in 5 s)");
    PrintFigure("status_unseen", unseen);
    return 0;
}

}  // namespace bench

}  // namespace ordersrv
