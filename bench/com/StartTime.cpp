// The start of a server COM has to start: from the host's request for an object to the first
// answer of GetOrderStatus, which comes only once the server has read its journal back.
#include <cstdio>

#include "bench/com/Benchmarks.h"

namespace ordersrv {

namespace bench {

int RunFirstCall(const std::string& name, LONG reference) {
    Apartment apartment;
    const double start = NowMs();
    ComRef<IOrderServer> server;
    if (FAILED(CoCreateInstance(CLSID_OrderServer, nullptr, CLSCTX_LOCAL_SERVER, IID_IOrderServer,
                                reinterpret_cast<void**>(server.Out())))) {
        std::printf("first call: the server could not be created\n");
        return 1;
    }
    LONG status = -1, filled = 0;
    double price = 0;
    VARIANT_BOOL found = VARIANT_FALSE;
    const HRESULT hr = server->GetOrderStatus(reference, &status, &filled, &price, &found);
    const double took = NowMs() - start;
    std::printf("first call %s: %.0f ms to the first GetOrderStatus (0x%08lX, order %ld %s)\n",
                name.c_str(), took, static_cast<unsigned long>(hr), static_cast<long>(reference),
                found == VARIANT_TRUE ? "known" : "not known");
    PrintFigure(name + "_ms", took);
    PrintFigure(name + "_known", found == VARIANT_TRUE ? 1 : 0);
    return hr == S_OK ? 0 : 1;
}

}  // namespace bench

}  // namespace ordersrv
