// Many clients at once against the real OrderSrv.exe with the NinjaTrader stand-in carrying the
// orders out: every accepted order reaches NinjaTrader in exactly one PLACE line, each client's
// orders in its call order, and every order reaches a final status; nothing is lost or
// duplicated, and the server's memory and handles settle once the burst is over.
// Size: ORDERSRV_LOAD_CLIENTS clients (8) x ORDERSRV_LOAD_ORDERS orders each (250 here, so CI
// stays within minutes; scripts/load.sh runs 5000), in two rounds.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "LoadSupport.h"

namespace ordersrv {

namespace {

constexpr LONG kBuy = 0, kDay = 0, kGtc = 1, kMarket = 0, kLimit = 1;
constexpr LONG kFilled = 1, kCancelled = 3, kRejected8 = 8;

using Clock = std::chrono::steady_clock;
double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Every tenth order is a limit order that rests in NinjaTrader; four orders later its client
// cancels it. All others are market orders that fill.
bool Rests(int index) { return index % 10 == 5; }
// References tell round, client and call: round r, client c, call i -> (10r + c + 1) * 1e6 + i.
constexpr LONG kClientSpan = 1000000;
LONG Reference(int round, int client, int index) { return (10 * round + client + 1) * kClientSpan + index; }
int RoundOf(LONG reference) { return reference / kClientSpan / 10; }
int ClientOf(LONG reference) { return reference / kClientSpan % 10 - 1; }

struct ClientRun {
    std::vector<LONG> accepted;   // in call order
    std::vector<LONG> cancelled;  // references whose cancel was accepted
    int calls = 0, failures = 0;
    HRESULT firstFailure = S_OK;
    std::map<LONG, LONG> finalStatus;
    int unknown = 0;  // GetOrderStatus answered false for an accepted reference
    std::map<LONG, LONG> laterStatus;  // a final status that changed afterwards: ref -> new one
};

class ComThread {
public:
    ComThread() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    ~ComThread() { CoUninitialize(); }
};

void Fail(ClientRun& run, HRESULT hr) {
    if (run.failures++ == 0) run.firstFailure = hr;
}

void SendOrders(int round, int client, int orders, ClientRun& run, std::atomic<int>& ready,
                const std::atomic<bool>& go) {
    ComThread com;
    ComPtr<IOrderServer> server = CreateOrderServer();
    ++ready;
    while (!go) Sleep(1);
    if (!server) return Fail(run, E_FAIL);
    const std::wstring name = L"LD" + std::to_wstring(client);
    ScopedVariant symbol(name.c_str()), empty;
    LONG waitingCancel = -1;
    for (int i = 0; i < orders; ++i) {
        const LONG ref = Reference(round, client, i);
        const bool rests = Rests(i);
        ++run.calls;
        const HRESULT hr = server->NewOrder(symbol.v, empty.v, 0, empty.v, kBuy,
                                            rests ? kGtc : kDay, rests ? kLimit : kMarket, 1,
                                            rests ? 1.0 : 0.0, ref);
        if (hr != S_OK) {
            Fail(run, hr);
            continue;
        }
        run.accepted.push_back(ref);
        if (rests) waitingCancel = ref;
        if (waitingCancel >= 0 && i % 10 == 9) {
            ++run.calls;
            const HRESULT cancel = server->CancelOrder(waitingCancel);
            if (cancel == S_OK)
                run.cancelled.push_back(waitingCancel);
            else
                Fail(run, cancel);
            waitingCancel = -1;
        }
    }
}

// Waits for every accepted order of the client to end, in call order: NinjaTrader carries the
// orders out in about that order, so each order is asked about about once, and the pollers
// leave the machine to the server and NinjaTrader.
void AwaitFinalStatus(ClientRun& run, Clock::time_point deadline) {
    ComThread com;
    ComPtr<IOrderServer> server = CreateOrderServer();
    if (!server) return;
    for (const LONG ref : run.accepted) {
        for (;;) {
            LONG status = -1, filled = 0;
            double price = 0;
            VARIANT_BOOL found = VARIANT_FALSE;
            const HRESULT hr = server->GetOrderStatus(ref, &status, &filled, &price, &found);
            if (hr == S_OK) run.finalStatus[ref] = status;
            if (hr == S_OK && found != VARIANT_TRUE) {
                ++run.unknown;
                break;
            }
            const bool ended = status == kFilled || status == kCancelled || status == kRejected8;
            if ((hr == S_OK && ended) || Clock::now() >= deadline) break;
            Sleep(50);
        }
    }
}

// A final status is final: read every order once more and note any that changed since.
void RecheckFinalStatus(ClientRun& run) {
    ComThread com;
    ComPtr<IOrderServer> server = CreateOrderServer();
    if (!server) return;
    for (const auto& entry : run.finalStatus) {
        LONG status = -1, filled = 0;
        double price = 0;
        VARIANT_BOOL found = VARIANT_FALSE;
        if (server->GetOrderStatus(entry.first, &status, &filled, &price, &found) == S_OK &&
            status != entry.second)
            run.laterStatus[entry.first] = status;
    }
}

// Memory and handles of the server process: a baseline, the peak while sampling, and samples.
class FigureSampler {
public:
    explicit FigureSampler(const RunningServer& server) : server_(server) {}
    ~FigureSampler() { StopPeak(); }
    ProcessFigures Sample() const { return server_.Figures(); }
    void StartPeak() {
        running_ = true;
        thread_ = std::thread([this] {
            while (running_) {
                const ProcessFigures now = Sample();
                peak_.workingSetBytes = std::max(peak_.workingSetBytes, now.workingSetBytes);
                peak_.handles = std::max(peak_.handles, now.handles);
                peak_.threads = std::max(peak_.threads, now.threads);
                Sleep(250);
            }
        });
    }
    ProcessFigures StopPeak() {
        running_ = false;
        if (thread_.joinable()) thread_.join();
        return peak_;
    }

private:
    const RunningServer& server_;
    std::atomic<bool> running_{false};
    std::thread thread_;
    ProcessFigures peak_;
};

double Megabytes(size_t bytes) { return bytes / (1024.0 * 1024.0); }

struct RoundFigures {
    size_t sent = 0, accepted = 0, lost = 0, duplicated = 0;
    ProcessFigures before, peak, after, settled;
};

void PrintFigures(const char* what, const ProcessFigures& f) {
    std::printf("  %-8s memory %6.1f MB, handles (open fds) %4lu, threads %3lu\n", what,
                Megabytes(f.workingSetBytes), static_cast<unsigned long>(f.handles),
                static_cast<unsigned long>(f.threads));
}

// One burst: `clients` threads with an object each send `orders` orders at once; then every
// order is polled until it ends, and what the stand-in read is checked against what was sent.
RoundFigures RunBurst(int round, int clients, int orders, RunningServer& server,
                       LoadStandin& standin) {
    RoundFigures result;
    FigureSampler figures(server);
    result.before = figures.Sample();

    std::vector<ClientRun> runs(clients);
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c)
        threads.emplace_back(SendOrders, round, c, orders, std::ref(runs[c]), std::ref(ready),
                             std::cref(go));
    while (ready < clients) Sleep(10);
    figures.StartPeak();
    const Clock::time_point start = Clock::now();
    go = true;
    for (std::thread& t : threads) t.join();
    const double sendSeconds = SecondsSince(start);

    threads.clear();
    // Generous: under Wine the orders end at about a hundred a second.
    const Clock::time_point deadline =
        Clock::now() + std::chrono::seconds(120 + clients * orders / 20);
    for (int c = 0; c < clients; ++c) threads.emplace_back(AwaitFinalStatus, std::ref(runs[c]), deadline);
    for (std::thread& t : threads) t.join();
    const double finalSeconds = SecondsSince(start);
    result.peak = figures.StopPeak();
    result.after = figures.Sample();
    Sleep(3000);
    result.settled = figures.Sample();
    threads.clear();
    for (int c = 0; c < clients; ++c) threads.emplace_back(RecheckFinalStatus, std::ref(runs[c]));
    for (std::thread& t : threads) t.join();

    // What NinjaTrader was told in this round, in the order it read it.
    std::map<LONG, int> places, cancels;
    std::map<LONG, size_t> placedAt;
    std::vector<std::vector<LONG>> placedByClient(clients);
    size_t malformed = 0, position = 0;
    for (const TracedLine& traced : ReadTracedLines(standin.LogPath())) {
        const std::vector<std::string> f = SplitFields(traced.line);
        int32_t ref = -1;
        if (f.size() != 13 || !OrderIdReference(f[10], ref)) {
            ++malformed;
            continue;
        }
        if (RoundOf(ref) != round) continue;
        if (f[0] == "PLACE") {
            if (places[ref]++ == 0) placedAt[ref] = position;
            if (ClientOf(ref) >= 0 && ClientOf(ref) < clients) placedByClient[ClientOf(ref)].push_back(ref);
        } else if (f[0] == "CANCEL") {
            ++cancels[ref];
            EXPECT_TRUE(placedAt.count(ref) && placedAt[ref] < position) << "cancel before place " << ref;
        }
        ++position;
    }

    size_t cancelled = 0, unended = 0, unknown = 0, changed = 0;
    std::map<LONG, size_t> statusCount;
    for (int c = 0; c < clients; ++c) {
        const ClientRun& run = runs[c];
        result.sent += run.calls;
        result.accepted += run.accepted.size();
        cancelled += run.cancelled.size();
        unknown += run.unknown;
        changed += run.laterStatus.size();
        for (const auto& later : run.laterStatus)
            ADD_FAILURE() << "order " << later.first << " ended as " << run.finalStatus.at(later.first)
                          << ", later " << later.second;
        EXPECT_EQ(run.failures, 0) << "client " << c << " first failure 0x" << std::hex << run.firstFailure;
        for (const LONG ref : run.accepted) {
            const int n = places.count(ref) ? places[ref] : 0;
            if (n == 0) ++result.lost;
            if (n > 1) result.duplicated += n - 1;
            const auto status = run.finalStatus.find(ref);
            const LONG final = status == run.finalStatus.end() ? -1 : status->second;
            ++statusCount[final];
            if (final != kFilled && final != kCancelled && final != kRejected8) ++unended;
            EXPECT_EQ(final, Rests(ref % kClientSpan) ? kCancelled : kFilled) << "order " << ref;
        }
        // Each client's orders in its call order.
        EXPECT_TRUE(placedByClient[c] == run.accepted) << "client " << c << ": PLACE lines out of call order";
        for (const LONG ref : run.cancelled) EXPECT_EQ(cancels[ref], 1) << "cancel lines of " << ref;
    }
    for (const auto& p : places)
        if (ClientOf(p.first) < 0 || ClientOf(p.first) >= clients) ++result.duplicated;  // never sent

    std::printf("\n== Round %d: %d clients x %d orders at once, the stand-in carrying them out\n",
                round + 1, clients, orders);
    std::printf("calls sent          %zu (%zu orders, %zu cancels)\n", result.sent,
                result.sent - cancelled, cancelled);
    std::printf("orders accepted     %zu\n", result.accepted);
    std::printf("lost                %zu\n", result.lost);
    std::printf("duplicated          %zu\n", result.duplicated);
    std::printf("malformed lines     %zu\n", malformed);
    std::printf("not ended / unknown %zu / %zu\n", unended, unknown);
    std::printf("ended, then changed %zu\n", changed);
    std::printf("final statuses      filled %zu, cancelled %zu, rejected %zu\n", statusCount[kFilled],
                statusCount[kCancelled], statusCount[kRejected8]);
    std::printf("time                %.1f s sending (%.0f calls/s), %.1f s until every order ended\n",
                sendSeconds, result.sent / sendSeconds, finalSeconds);
    std::printf("server process (the Linux process Wine runs it in):\n");
    PrintFigures("before", result.before);
    PrintFigures("peak", result.peak);
    PrintFigures("after", result.after);
    PrintFigures("3 s on", result.settled);
    std::fflush(stdout);

    EXPECT_EQ(result.accepted, static_cast<size_t>(clients) * orders);
    EXPECT_EQ(result.lost, 0u);
    EXPECT_EQ(result.duplicated, 0u);
    EXPECT_EQ(malformed, 0u);
    EXPECT_EQ(unended, 0u);
    EXPECT_EQ(unknown, 0u);
    return result;
}

TEST(OrderBurst, ManyClientsAtOnceWithCancelsNothingLostOrDuplicated) {
    const int clients = std::min(EnvironmentNumber("ORDERSRV_LOAD_CLIENTS", 8), 9);
    const int orders = std::min(EnvironmentNumber("ORDERSRV_LOAD_ORDERS", 250), 999999);
    ComThread com;
    RunningServer server(ORDERSRV_RUN_DIR "/burst");
    LoadStandin standin(server.Folder().NinjaTraderFolder(), server.Folder().Folder(),
                       {"--rest-limits", "--trace"});
    ASSERT_TRUE(standin.Started());
    ASSERT_TRUE(server.StartThroughCom());

    // Two equal rounds: what the first leaves behind (the RPC worker threads and their handles,
    // a few more when a round happens to run more calls at once) the second reuses, so handles
    // and threads stay on a plateau; memory grows only by the order book. A leak per order or
    // per call would show as hundreds or thousands.
    const RoundFigures first = RunBurst(0, clients, orders, server, standin);
    const RoundFigures second = RunBurst(1, clients, orders, server, standin);
    ASSERT_TRUE(standin.Stop());

    EXPECT_GT(first.before.handles, 0u) << "no handle figures for the server process";
    EXPECT_LE(second.settled.handles, first.settled.handles + 64);
    EXPECT_LE(second.settled.threads, first.settled.threads + 16);
    EXPECT_LE(first.settled.workingSetBytes, first.after.workingSetBytes + (4u << 20));
    EXPECT_LE(second.settled.workingSetBytes, second.after.workingSetBytes + (4u << 20));
    const double firstGrowth = double(first.settled.workingSetBytes) - double(first.before.workingSetBytes);
    const double secondGrowth = double(second.settled.workingSetBytes) - double(second.before.workingSetBytes);
    std::printf("\nmemory growth: round 1 %.1f MB, round 2 %.1f MB\n", firstGrowth / 1048576,
                secondGrowth / 1048576);
    EXPECT_LE(secondGrowth, std::max(firstGrowth, 0.0) + 8.0 * 1048576);
}

}  // namespace

}  // namespace ordersrv
