// An order-state file appearing in OUTGOING to GetOrderStatus answering its new status: the file
// is written under another extension and renamed into place (as NinjaTrader's files appear
// whole), the clock starts at the rename, and the client polls GetOrderStatus until the order
// shows Filled, or until the host's event reports it. A random pause before each file spreads
// them over the 100 ms periodic scan, so a figure that leans on that scan rather than on the
// folder watch shows it.
#include <ocidl.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/com/Benchmarks.h"
#include "bench/com/IncomingWatch.h"
#include "tools/EventSinkBase.h"

namespace ordersrv {

namespace bench {

namespace {

// Hears OrderStatusChanged and notes when each order was first reported Filled.
class FillListener final : public EventSinkBase {
public:
    FillListener() : heard_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}
    ~FillListener() { CloseHandle(heard_); }

    // Waits for the fill of `ref`; its arrival time (NowMs), or -1 after `ms`.
    double WaitForFill(LONG ref, DWORD ms) {
        const double start = NowMs();
        while (NowMs() - start < ms) {
            if (ref == filledRef_) return filledAt_;
            WaitForSingleObject(heard_, 50);
        }
        return -1;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        // OrderStatusChanged(OrderRefId, Status, FillSize, FillPrice), last argument first.
        if (id == 1 && params->cArgs == 4 && V_I4(&params->rgvarg[2]) == 1) {
            filledAt_ = NowMs();
            filledRef_ = V_I4(&params->rgvarg[3]);
            SetEvent(heard_);
        }
        return S_OK;
    }

private:
    HANDLE heard_;
    volatile double filledAt_ = 0;
    volatile LONG filledRef_ = 0;
};

}  // namespace

// With `byEvent` the host listens instead of polling: the clock stops when OrderStatusChanged
// reports the fill.
int RunStatusLatency(const std::string& incoming, const std::string& outgoing, int samples,
                     bool byEvent) {
    Apartment apartment;
    ServerClient server;
    if (!apartment.Ok() || !server.Create()) return 1;
    const std::string folder = outgoing.empty() || outgoing.back() == '\\' ? outgoing : outgoing + '\\';

    FillListener listener;
    ComRef<IConnectionPoint> point;
    DWORD cookie = 0;
    if (byEvent) {
        ComRef<IConnectionPointContainer> container;
        if (FAILED(server.Early()->QueryInterface(IID_IConnectionPointContainer,
                                                  reinterpret_cast<void**>(container.Out()))) ||
            FAILED(container->FindConnectionPoint(DIID_IOrderServerEvents, point.Out())) ||
            FAILED(point->Advise(&listener, &cookie))) {
            std::fprintf(stderr, "combench: cannot subscribe to the events\n");
            return 1;
        }
    }

    const int warmUp = 3;
    const LONG firstRef = byEvent ? 3500000 : 3000000;
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
        double seenAt = -1;
        if (byEvent) {
            seenAt = listener.WaitForFill(ref, 5000);
        } else {
            LONG status = 4;
            while (NowMs() - start < 5000) {
                if (FAILED(server.GetOrderStatusEarly(ref, status))) return 1;
                if (status == 1) {
                    seenAt = NowMs();
                    break;
                }
                Sleep(1);
            }
        }
        if (seenAt < 0) ++unseen;
        else if (i >= warmUp) latencies.push_back(seenAt - start);
    }
    if (byEvent) point->Unadvise(cookie);
    IncomingWatch(incoming, true).Clear();  // the PLACE files of these orders

    const std::string name = byEvent ? "event" : "status";
    const Figures f = Summarise(latencies);
    PrintLatency(byEvent ? "State file in OUTGOING to the host's OrderStatusChanged event"
                         : "State file in OUTGOING to GetOrderStatus showing it",
                 name + "_ms", f,
                 " (" + std::to_string(f.count) + " files, " + std::to_string(unseen) +
                     " not shown in 5 s)");
    PrintFigure(name + "_unseen", unseen);
    return 0;
}

}  // namespace bench

}  // namespace ordersrv
