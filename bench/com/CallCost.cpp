// Cost of one out-of-process call per member and binding, against GetAccountInfo (which does
// nothing in the server) as the floor of the transport. Members and bindings take turns in
// rounds, in a rotating order, so that a noisy moment of a shared machine falls on all of them;
// the figure of each is the median over rounds of its mean call time in that round.
#include "bench/com/Benchmarks.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace ordersrv {

namespace bench {

namespace {

struct Member {
    std::string name;
    std::function<HRESULT()> call;
    std::vector<double> roundMeansUs;
    bool failed = false;
};

}  // namespace

int RunCallCost(int rounds, int callsPerRound, const std::string& prefix) {
    Apartment apartment;
    ServerClient server;
    if (!apartment.Ok() || !server.Create()) return 1;

    // One order the status calls find (the server records it even while not connected).
    const LONG knownRef = 7;
    if (FAILED(server.NewOrderEarly(knownRef))) {
        std::fprintf(stderr, "combench: NewOrder failed\n");
        return 1;
    }
    LONG nextRef = 1000000;
    LONG status = 0;
    std::vector<Member> members = {
        {"floor_early", [&] { return server.GetAccountInfoEarly(); }, {}},
        {"floor_late", [&] { return server.GetAccountInfoLate(); }, {}},
        {"status_early", [&] { return server.GetOrderStatusEarly(knownRef, status); }, {}},
        {"status_late", [&] { return server.GetOrderStatusLate(knownRef, status); }, {}},
        {"neworder_early", [&] { return server.NewOrderEarly(nextRef++); }, {}},
        {"neworder_late", [&] { return server.NewOrderLate(nextRef++); }, {}},
        {"position_early", [&] { return server.GetPositionInfoEarly(); }, {}},
        {"position_late", [&] { return server.GetPositionInfoLate(); }, {}},
    };

    for (Member& m : members)  // warm-up: proxies, stubs and type information in place
        for (int i = 0; i < 20; ++i) m.failed = m.failed || FAILED(m.call());

    for (int round = 0; round < rounds; ++round) {
        for (size_t k = 0; k < members.size(); ++k) {
            Member& m = members[(k + static_cast<size_t>(round)) % members.size()];
            const double start = NowMs();
            for (int i = 0; i < callsPerRound; ++i) m.failed = m.failed || FAILED(m.call());
            m.roundMeansUs.push_back((NowMs() - start) * 1000.0 / callsPerRound);
        }
    }

    std::printf("Out-of-process call, microseconds per call (median of %d rounds of %d calls)\n",
                rounds, callsPerRound);
    for (const Member& m : members) {
        const Figures f = Summarise(m.roundMeansUs);
        std::printf("  %-15s p50 %8.1f  max %8.1f %s\n", m.name.c_str(), f.p50, f.max,
                    m.failed ? "(a call FAILED)" : "");
        PrintFigure(prefix + m.name + "_us", f.p50);
        if (m.failed) PrintFigure(prefix + m.name + "_failed", 1);
    }
    return 0;
}

}  // namespace bench

}  // namespace ordersrv
