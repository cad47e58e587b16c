#include <cstdint>

#include "bridge/StateLine.h"
#include "model/AsciiText.h"
#include "tools/NtStandin.h"

namespace ordersrv {

namespace {

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        const std::string item = TrimBlanks(text.substr(start, end - start));
        if (!item.empty()) items.push_back(item);
        start = end + 1;
    }
    return items;
}

bool ReadCount(const std::string& text, uint32_t& value) {
    const int32_t n = WholeNumberOr(text, -1);
    if (n < 0) return false;
    value = static_cast<uint32_t>(n);
    return true;
}

}  // namespace

std::string StandinUsage() {
    return "usage: ntstandin --folder DIR [--accounts A,B] [--fill-price P] [--fill-delay-ms N]\n"
           "                 [--partial-steps N] [--rest SYMBOL]... [--rest-limits] [--careless]\n"
           "                 [--exchange TEXT] [--run-ms N | --once] [--stop-file FILE]\n"
           "                 [--log FILE] [--trace]\n";
}

bool ParseStandinOptions(const std::vector<std::string>& args, StandinOptions& options,
                         std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        const auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return error = option + " needs a value", false;
            out = args[++i];
            return true;
        };
        const auto count = [&](uint32_t& out) {
            std::string text;
            if (!value(text)) return false;
            if (!ReadCount(text, out)) return error = option + ": bad number " + text, false;
            return true;
        };
        std::string text;
        uint32_t n = 0;
        if (option == "--folder") {
            if (!value(options.folder)) return false;
        } else if (option == "--accounts") {
            if (!value(text)) return false;
            options.accounts.clear();
            for (const std::string& account : SplitList(text))
                options.accounts.push_back(UpperCaseAscii(account));
        } else if (option == "--fill-price") {
            if (!value(text)) return false;
            if (!ParseDecimalNumber(text, options.fillPrice))
                return error = "--fill-price: bad number " + text, false;
            options.hasFillPrice = true;
        } else if (option == "--fill-delay-ms") {
            if (!count(options.fillDelayMs)) return false;
        } else if (option == "--partial-steps") {
            if (!count(n)) return false;
            if (n < 1) return error = "--partial-steps must be 1 or more", false;
            options.partialSteps = static_cast<int32_t>(n);
        } else if (option == "--rest") {
            if (!value(text)) return false;
            options.restSymbols.push_back(text);
        } else if (option == "--rest-limits") {
            options.restLimits = true;
        } else if (option == "--trace") {
            options.trace = true;
        } else if (option == "--careless") {
            options.careless = true;
        } else if (option == "--exchange") {
            if (!value(options.exchange)) return false;
        } else if (option == "--run-ms") {
            if (!count(options.runMs)) return false;
        } else if (option == "--once") {
            options.once = true;
        } else if (option == "--stop-file") {
            if (!value(options.stopFile)) return false;
        } else if (option == "--log") {
            if (!value(options.logPath)) return false;
        } else {
            error = "unknown option " + option;
            return false;
        }
    }
    if (options.folder.empty()) return error = "--folder is required", false;
    return true;
}

}  // namespace ordersrv
