// ntstandin: plays NinjaTrader's side of the order server's file interface.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/NtStandin.h"

using namespace ordersrv;

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    StandinOptions options;
    std::string error;
    if (!ParseStandinOptions(args, options, error)) {
        std::fprintf(stderr, "ntstandin: %s\n%s", error.c_str(), StandinUsage().c_str());
        return 2;
    }
    return RunStandin(options);
}
