// combench: benchmarks of a running order server through IOrderServer, out of process.
//   combench calls <rounds> <callsPerRound> [<prefix>] cost per call, early- and late-bound
//   combench incoming <INCOMING> <orders> [<name>]     NewOrder to instruction file
//   combench status <INCOMING> <OUTGOING> <samples>    state file to GetOrderStatus
//   combench events <INCOMING> <OUTGOING> <samples>    state file to OrderStatusChanged
//   combench flurry <INCOMING> <OUTGOING> <files>      many state files at once, until all shown
//   combench burst <name> <orders> <threads> <firstRef> [<INCOMING> <delete|keep|poll> <seconds>]
//   combench shell <updates>                           Shell_NotifyIcon(NIM_MODIFY) alone
//   combench firstcall <name> <ref>                    COM starts the server: time to an answer
//   combench fanout <OUTGOING> <sinks> <processes> <changes> [<holdSeconds>]
//                                                      one change to many sinks: first and last
//   combench sinkhost <block> <first> <count>          a process of fanout's sinks
// Folders are Windows paths. Results are FIGURE lines on stdout.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/com/Benchmarks.h"

namespace ordersrv {

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: combench calls <rounds> <calls> [<prefix>] | incoming <dir> <orders> [<name>] |\n"
                 "       status|events <incoming> <outgoing> <samples> | flurry <incoming> <outgoing> <files> |\n"
                 "       burst <name> <orders> <threads> <firstRef> [<incoming> <delete|keep|poll> <seconds>] |\n"
                 "       shell <updates> | firstcall <name> <ref> |\n"
                 "       fanout <outgoing> <sinks> <processes> <changes> [<hold>] | sinkhost <block> <first> <count>\n");
    return 2;
}

int Number(const char* text) { return std::atoi(text); }

}  // namespace

}  // namespace ordersrv

using namespace ordersrv;

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc < 2) return Usage();
    const std::string mode = argv[1];
    if (mode == "calls" && (argc == 4 || argc == 5))
        return bench::RunCallCost(Number(argv[2]), Number(argv[3]), argc == 5 ? argv[4] : "call_");
    if (mode == "incoming" && (argc == 4 || argc == 5))
        return bench::RunIncomingLatency(argv[2], Number(argv[3]), argc == 5 ? argv[4] : "incoming");
    if (mode == "fanout" && (argc == 6 || argc == 7))
        return bench::RunFanOut(argv[2], Number(argv[3]), Number(argv[4]), Number(argv[5]),
                                argc == 7 ? Number(argv[6]) : 0);
    if (mode == "sinkhost" && argc == 5)
        return bench::RunSinkHost(argv[2], Number(argv[3]), Number(argv[4]));
    if ((mode == "status" || mode == "events") && argc == 5)
        return bench::RunStatusLatency(argv[2], argv[3], Number(argv[4]), mode == "events");
    if (mode == "flurry" && argc == 5) return bench::RunFlurry(argv[2], argv[3], Number(argv[4]));
    if (mode == "shell" && argc == 3) return bench::RunShellIconCost(Number(argv[2]));
    if (mode == "firstcall" && argc == 4) return bench::RunFirstCall(argv[2], Number(argv[3]));
    if (mode == "burst" && (argc == 6 || argc == 9)) {
        bench::BurstOptions options;
        options.name = argv[2];
        options.orders = Number(argv[3]);
        options.threads = Number(argv[4]);
        options.firstRef = Number(argv[5]);
        if (argc == 9) {
            options.incoming = argv[6];
            options.deleteSeen = std::string(argv[7]) == "delete";
            options.pollOnly = std::string(argv[7]) == "poll";
            options.timeoutMs = 1000.0 * Number(argv[8]);
        }
        if (options.threads < 1 || options.orders < options.threads) return Usage();
        return bench::RunOrderBurst(options);
    }
    return Usage();
}
