// A flurry of fills: many order-state files appear in OUTGOING within a few milliseconds (a
// market moving through a book of resting orders). The clock starts before the first file is
// renamed into place and stops when GetOrderStatus shows every one of them Filled; the server's
// own scan count (its About page) says how many scans that took.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/com/Benchmarks.h"
#include "bench/com/IncomingWatch.h"

namespace ordersrv {

namespace bench {

int RunFlurry(const std::string& incoming, const std::string& outgoing, int files) {
    Apartment apartment;
    ServerClient server;
    if (!apartment.Ok() || !server.Create()) return 1;
    const std::string folder = outgoing.empty() || outgoing.back() == '\\' ? outgoing : outgoing + '\\';
    const LONG firstRef = 5000000;
    for (int i = 0; i < files; ++i)
        if (FAILED(server.NewOrderEarly(firstRef + i))) return 1;
    Sleep(500);  // their PLACE lines out, the scans back to the quiet rhythm

    const long long scansBefore = ServerScanCount();
    const double start = NowMs();
    for (int i = 0; i < files; ++i) {
        const std::string name = folder + "HALVENMAR" + std::to_string(firstRef + i) + ".TXT";
        if (!PlaceFileWhole(name, "FILLED;1;5000.25\r\n")) {
            std::fprintf(stderr, "combench: cannot write %s\n", name.c_str());
            return 1;
        }
    }
    const double writtenMs = NowMs() - start;

    std::vector<bool> shown(static_cast<size_t>(files), false);
    int left = files;
    while (left > 0 && NowMs() - start < 10000) {
        for (int i = 0; i < files; ++i) {
            if (shown[static_cast<size_t>(i)]) continue;
            LONG status = 4;
            if (FAILED(server.GetOrderStatusEarly(firstRef + i, status))) return 1;
            if (status == 1) {
                shown[static_cast<size_t>(i)] = true;
                --left;
            }
        }
        if (left > 0) Sleep(1);
    }
    const double allShownMs = NowMs() - start;
    const long long scansAfter = ServerScanCount();
    IncomingWatch(incoming, true).Clear();  // the PLACE files of these orders

    const long long scans = scansBefore >= 0 && scansAfter >= 0 ? scansAfter - scansBefore : -1;
    std::printf("%d state files written in %.1f ms; all shown by GetOrderStatus after %.1f ms "
                "(%d not in 10 s), %lld scans\n",
                files, writtenMs, allShownMs, left, scans);
    PrintFigure("flurry_files", files);
    PrintFigure("flurry_written_ms", writtenMs);
    PrintFigure("flurry_all_shown_ms", allShownMs);
    PrintFigure("flurry_unseen", left);
    PrintFigure("flurry_scans", static_cast<double>(scans));
    return 0;
}

}  // namespace bench

}  // namespace ordersrv
