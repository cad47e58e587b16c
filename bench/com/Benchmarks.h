#pragma once
// The benchmarks of the running order server; each prints a readable line and FIGURE lines and
// returns the process exit code.
#include <string>

#include "bench/com/BenchClient.h"

namespace ordersrv {

namespace bench {

// Figures are named <prefix><member>_<binding>_us.
int RunCallCost(int rounds, int callsPerRound, const std::string& prefix);
// Figures are named <name>_ms, <name>_floor_ms, <name>_written_ms, <name>_lost.
int RunIncomingLatency(const std::string& incoming, int orders, const std::string& name);
int RunStatusLatency(const std::string& incoming, const std::string& outgoing, int samples,
                     bool byEvent);
int RunFlurry(const std::string& incoming, const std::string& outgoing, int files);

struct BurstOptions {
    std::string name = "burst";
    int orders = 10000;
    int threads = 4;
    LONG firstRef = 4000000;
    std::string incoming;     // empty: calls alone, nothing watched
    bool deleteSeen = false;  // delete each instruction file once counted
    bool pollOnly = false;    // the floor: poll `incoming` until the calls are done, count nothing
    double timeoutMs = 120000;
};
int RunOrderBurst(const BurstOptions& options);

// One change to `sinks` sinks subscribed by `hosts` processes of RunSinkHost: when the first and
// the last heard it; then up to `holdSeconds` with the sinks subscribed, quiet and then with a
// change each second (fanout-busy.txt and fanout-stop.txt beside OUTGOING move it on).
int RunFanOut(const std::string& outgoing, int sinks, int hosts, int changes, int holdSeconds);
int RunSinkHost(const std::string& block, int first, int count);

// What one status refresh of the server's window costs in the notification area: modifying a
// tray icon of its own (same icon, same tip), as the server does for every PLACE line it builds.
int RunShellIconCost(int updates);

// The server not running: from the request for an object (COM starts the server) to the first
// GetOrderStatus answered for `reference`.
int RunFirstCall(const std::string& name, LONG reference);

}  // namespace bench

}  // namespace ordersrv
