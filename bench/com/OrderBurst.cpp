// A burst of orders from several client threads, each with its own OrderServer object, all
// starting together. Figures: the time until every thread's calls have returned, and (when
// INCOMING is watched) until every order's PLACE line is in a file, with the number of files.
// Without a folder to watch it measures the calls alone: the floor of the burst. The floor may
// poll an empty folder the same way meanwhile, so that it carries the watcher's own cost.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "bench/com/Benchmarks.h"
#include "bench/com/IncomingWatch.h"

namespace ordersrv {

namespace bench {

namespace {

// Owns a Win32 event handle.
class EventHandle {
public:
    EventHandle() : h_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~EventHandle() { CloseHandle(h_); }
    EventHandle(const EventHandle&) = delete;
    EventHandle& operator=(const EventHandle&) = delete;
    HANDLE Get() const { return h_; }

private:
    HANDLE h_;
};

struct ClientThreadResult {
    double endMs = 0;
    bool ok = false;
};

void PlaceOrders(LONG firstRef, int count, HANDLE start, std::atomic<int>& ready,
                 std::atomic<int>& done, ClientThreadResult& result) {
    Apartment apartment;
    ServerClient server;
    const bool created = apartment.Ok() && server.Create();
    ++ready;
    WaitForSingleObject(start, INFINITE);
    if (!created) return;
    result.ok = true;
    for (int i = 0; i < count && result.ok; ++i) result.ok = SUCCEEDED(server.NewOrderEarly(firstRef + i));
    result.endMs = NowMs();
    ++done;
}

}  // namespace

int RunOrderBurst(const BurstOptions& options) {
    const bool watching = !options.incoming.empty();
    IncomingWatch watch(options.incoming, options.deleteSeen);
    if (watching) watch.Clear();

    const int perThread = options.orders / options.threads;
    const int total = perThread * options.threads;
    EventHandle start;
    std::atomic<int> ready{0}, done{0};
    std::vector<ClientThreadResult> results(static_cast<size_t>(options.threads));
    std::vector<std::thread> threads;
    for (int t = 0; t < options.threads; ++t)
        threads.emplace_back(PlaceOrders, options.firstRef + t * perThread, perThread, start.Get(),
                             std::ref(ready), std::ref(done),
                             std::ref(results[static_cast<size_t>(t)]));
    while (ready < options.threads) Sleep(1);

    const double t0 = NowMs();
    SetEvent(start.Get());
    int lines = 0;
    double allLinesMs = -1;
    if (watching && options.pollOnly) {
        while (done < options.threads) {
            watch.TakeNewOrders();
            Sleep(2);
        }
    } else if (watching) {
        while (NowMs() - t0 < options.timeoutMs) {
            for (const IncomingWatch::PlacedOrder& placed : watch.TakeNewOrders())
                lines += placed.ref >= options.firstRef && placed.ref < options.firstRef + total;
            if (lines >= total) {
                allLinesMs = NowMs() - t0;
                break;
            }
            Sleep(2);
        }
    }
    for (std::thread& t : threads) t.join();

    double callsMs = 0;
    bool ok = true;
    for (const ClientThreadResult& r : results) {
        callsMs = std::max(callsMs, r.endMs - t0);
        ok = ok && r.ok;
    }
    if (!ok) {
        std::fprintf(stderr, "combench: a client thread failed to create its object or to call\n");
        return 1;
    }
    const std::string name = options.name;
    std::printf("%s: %d orders from %d threads: calls done in %.1f ms", name.c_str(), total,
                options.threads, callsMs);
    if (options.pollOnly)
        std::printf(" (an empty folder polled meanwhile, as the watched burst does)");
    else if (watching && allLinesMs >= 0)
        std::printf("; every line in a file after %.1f ms, in %zu files", allLinesMs, watch.FilesSeen());
    else if (watching)
        std::printf("; gave up after %.0f ms with %d of %d lines in %zu files", options.timeoutMs,
                    lines, total, watch.FilesSeen());
    std::printf("\n");
    PrintFigure(name + "_orders", total);
    PrintFigure(name + "_calls_ms", callsMs);
    PrintFigure(name + "_call_us_per_order", callsMs * 1000.0 / total);
    if (watching && !options.pollOnly) {
        if (allLinesMs >= 0) PrintFigure(name + "_all_lines_ms", allLinesMs);
        PrintFigure(name + "_lines", lines);
        PrintFigure(name + "_files", static_cast<double>(watch.FilesSeen()));
        PrintFigure(name + "_watched_ms", NowMs() - t0);
    }
    return 0;
}

}  // namespace bench

}  // namespace ordersrv
