// Instructions per operation of the engine and the file bridge, counted by callgrind:
//   bench_engine_cost neworder <N>               N NewOrder calls into the engine
//   bench_engine_cost drain <N>                  one drain of N queued orders into one file
//   bench_engine_cost scan <files> <scans>       scans of an OUTGOING folder holding the state
//                                                files of <files> working orders, unchanged
//   bench_engine_cost memory <N>                 heap bytes per order (glibc's mallinfo2), queued
//                                                and after the drain; run without valgrind
//   bench_engine_cost client-requests            prints 1 when built with callgrind's client
//                                                requests (only the measured part is counted)
// Under callgrind with --collect-atstart=no, only the measured loop is collected; without the
// client requests scripts/bench.sh counts whole runs of N and 2N and takes the difference.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bridge/InstructionWriter.h"
#include "bridge/OutgoingScanner.h"
#include "engine/HostValue.h"
#include "engine/Engine.h"
#include "platform/FileSystem.h"
#include "tests/support/QueueTarget.h"
#include "workers/EventQueue.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define BENCH_HAS_CLIENT_REQUESTS 1
#define BENCH_COLLECT() CALLGRIND_TOGGLE_COLLECT
#else
#define BENCH_HAS_CLIENT_REQUESTS 0
#define BENCH_COLLECT() ((void)0)
#endif

namespace ordersrv {

namespace {

// An engine and its file bridge over a NinjaTrader folder of their own; the event queue thread
// is not started (what the engine posts stays queued), as in the engine's tests.
class Harness {
public:
    explicit Harness(const std::string& folder)
        : events_(pool_), engine_(window_, events_), writer_(engine_), scanner_(engine_, writer_) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder + "/INCOMING");
        std::filesystem::create_directories(folder + "/OUTGOING");
        folder_ = std::filesystem::absolute(folder).string();
        engine_.settings.location = folder_;
        engine_.settings.account = "Sim101";
    }
    ~Harness() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    Engine& engine() { return engine_; }
    InstructionWriter& writer() { return writer_; }
    OutgoingScanner& scanner() { return scanner_; }
    std::string Outgoing() const { return folder_ + "/OUTGOING/"; }
    // The main window would have handled what the engine posted; here it is simply dropped.
    void DropWindowMessages() { window_.TakeAll(); }
    void Connect() {
        engine_.connection.SetFolderPresent(true);
        engine_.Connect({folder_, "Sim101", false});
    }

private:
    testsupport::QueueTarget window_;
    EventPool pool_;
    EventQueue events_;
    Engine engine_;
    InstructionWriter writer_;
    OutgoingScanner scanner_;
    std::string folder_;
};

const HostValue kSymbol = HostValue::Text("ES 03-27");
const HostValue kEmpty = HostValue::Text("");

void PlaceOrders(Engine& engine, int first, int count) {
    for (int i = 0; i < count; ++i)
        engine.router.NewOrder(kSymbol, kEmpty, 0, kEmpty, 0, 0, 1, 1, 5000.25, first + i);
}

int NewOrders(int n) {
    Harness h("bench-engine-neworder");
    PlaceOrders(h.engine(), 0, 10);  // first order posts ProcessActions; the books exist
    BENCH_COLLECT();
    PlaceOrders(h.engine(), 10, n);
    BENCH_COLLECT();
    std::printf("neworder %d\n", n);
    return 0;
}

int Drain(int n) {
    Harness h("bench-engine-drain");
    h.Connect();
    PlaceOrders(h.engine(), 0, n);
    h.writer().SetTickSource([] { return 0u; });  // the budget never runs out: one file
    BENCH_COLLECT();
    h.writer().Drain();
    BENCH_COLLECT();
    std::printf("drain %d, %s\n", n, h.engine().router.HasQueuedActions() ? "actions left" : "queue empty");
    return 0;
}

// What NinjaTrader leaves for each working order: "WORKING;0;0", unchanged for an hour.
int Scans(int files, int scans) {
    Harness h("bench-engine-scan");
    PlaceOrders(h.engine(), 0, files);
    const auto written = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    for (int i = 0; i < files; ++i) {
        const std::string path = h.Outgoing() + "HALVENMAR" + std::to_string(i) + ".TXT";
        std::ofstream(path) << "WORKING;0;0\r\n";
        std::filesystem::last_write_time(path, written);
    }
    h.scanner().Scan();  // warm: each file read once
    BENCH_COLLECT();
    for (int i = 0; i < scans; ++i) h.scanner().Scan();
    BENCH_COLLECT();
    std::printf("scan %d files x %d\n", files, scans);
    return 0;
}

#if defined(__GLIBC__)
size_t HeapInUse() { return mallinfo2().uordblks; }

// Bytes the heap holds per order: with each order's place action still queued (what a server
// that cannot write keeps), and after one drain has written them (the order record alone).
int Memory(int n) {
    Harness h("bench-engine-memory");
    h.Connect();
    PlaceOrders(h.engine(), 0, 10);
    h.writer().Drain();
    h.DropWindowMessages();
    const size_t before = HeapInUse();
    PlaceOrders(h.engine(), 10, n);
    h.DropWindowMessages();
    const size_t queued = HeapInUse();
    h.writer().SetTickSource([] { return 0u; });
    h.writer().Drain();
    h.DropWindowMessages();
    const size_t drained = HeapInUse();
    std::printf("FIGURE native_bytes_per_order_queued %.1f\n",
                static_cast<double>(queued - before) / n);
    std::printf("FIGURE native_bytes_per_order_drained %.1f\n",
                static_cast<double>(drained - before) / n);
    return 0;
}
#else
int Memory(int) {
    std::printf("memory: needs glibc's mallinfo2\n");
    return 0;
}
#endif

}  // namespace

}  // namespace ordersrv

using namespace ordersrv;

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "client-requests") {
        std::printf("%d\n", BENCH_HAS_CLIENT_REQUESTS);
        return 0;
    }
    if (mode == "neworder" && argc == 3) return NewOrders(std::atoi(argv[2]));
    if (mode == "drain" && argc == 3) return Drain(std::atoi(argv[2]));
    if (mode == "memory" && argc == 3) return Memory(std::atoi(argv[2]));
    if (mode == "scan" && argc == 4) return Scans(std::atoi(argv[2]), std::atoi(argv[3]));
    std::fprintf(stderr, "usage: bench_engine_cost neworder <N> | drain <N> | scan <files> <scans> | memory <N> |\n"
                 "       client-requests\n");
    return 2;
}
