// Whatever order the host sends and whatever account the Settings page holds: an order the
// router accepts reaches INCOMING as exactly one PLACE line (and its cancel as one CANCEL line)
// of thirteen fields that NinjaTrader's side reads back as the same order; an order it refuses
// leaves no trace in the book or the queue.
// Input: OrderType, OrderTimeFrame, OrderModifier, OrderSize, OrderRefId (32-bit, little
// endian), OrderPrice (64-bit double), a flag byte (bit 0: StopToStopLimit), then the symbol,
// a line feed, and the account.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bridge/InstructionLines.h"
#include "bridge/StateLine.h"
#include "engine/EngineError.h"
#include "engine/HostValue.h"
#include "model/AsciiText.h"
#include "tests/fuzz/FuzzBridgeHarness.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tools/StandinLines.h"

namespace ordersrv {

namespace {

struct OrderInput {
    int32_t type = 0, timeFrame = 0, modifier = 0, size = 0, refId = 0;
    double price = 0.0;
    bool stopToStopLimit = false;
    std::string symbol, account;
};

bool Decode(const uint8_t* data, size_t size, OrderInput& in) {
    constexpr size_t kHeader = 5 * 4 + 8 + 1;
    if (size < kHeader) return false;
    int32_t codes[5];
    std::memcpy(codes, data, sizeof codes);
    in.type = codes[0];
    in.timeFrame = codes[1];
    in.modifier = codes[2];
    in.size = codes[3];
    in.refId = codes[4];
    std::memcpy(&in.price, data + 20, 8);
    in.stopToStopLimit = (data[28] & 1) != 0;
    const std::string text(reinterpret_cast<const char*>(data + kHeader), size - kHeader);
    const size_t cut = text.find('\n');
    in.symbol = text.substr(0, cut);
    in.account = cut == std::string::npos ? std::string() : text.substr(cut + 1);
    return true;
}

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) return parts;
        start = end + separator.size();
    }
}

bool PriceMatches(const std::string& text, double price) {
    double parsed = 0.0;
    if (!ParseDecimalNumber(text, parsed)) return false;
    return std::fabs(parsed - price) <= 5e-7 + std::fabs(price) * 1e-15;
}

void CheckPlaceLine(const std::string& line, const OrderInput& in, const std::string& account) {
    const std::vector<std::string> f = Split(line, ";");
    FUZZ_CHECK(f.size() == 13);
    const char* orderType = in.modifier == 0   ? "MARKET"
                            : in.modifier == 1 ? "LIMIT"
                            : in.stopToStopLimit ? "STOPLIMIT" : "STOP";
    FUZZ_CHECK(f[0] == "PLACE" && f[1] == UpperCaseAscii(account) && f[2] == in.symbol);
    FUZZ_CHECK(f[3] == (in.type == 0 ? "BUY" : "SELL") && f[4] == std::to_string(in.size));
    FUZZ_CHECK(f[5] == orderType && f[6] == f[7] && PriceMatches(f[6], in.price));
    FUZZ_CHECK(f[8] == (in.timeFrame == 0 ? "DAY" : "GTC") && f[9].empty());
    FUZZ_CHECK(f[10] == "HALVENMAR" + std::to_string(in.refId) && f[11].empty() && f[12].empty());

    StandinInstruction parsed;
    std::string error;
    const bool ok = ParseInstructionLine(line, parsed, error);
    FUZZ_CHECK(parsed.orderId == f[10]);  // even a refused line is answered under its id
    if (!ok) {
        // Lines NinjaTrader refuses as an order (it answers REJECTED), not as a broken line.
        FUZZ_CHECK((error == "no account" && account.empty()) ||
                   (error == "no instrument" && in.symbol.empty()) ||
                   (error.compare(0, 12, "bad quantity") == 0 && in.size <= 0));
        return;
    }
    FUZZ_CHECK(parsed.command == StandinInstruction::Command::Place);
    FUZZ_CHECK(parsed.account == f[1] && parsed.instrument == in.symbol);
    FUZZ_CHECK(parsed.action == f[3] && parsed.quantity == in.size && parsed.orderType == f[5]);
    FUZZ_CHECK(parsed.limitPrice == parsed.stopPrice && PriceMatches(f[6], parsed.limitPrice));
    FUZZ_CHECK(std::fabs(parsed.limitPrice - in.price) <= 5e-7 + std::fabs(in.price) * 1e-15);
    FUZZ_CHECK(parsed.timeInForce == f[8] && parsed.ocoId.empty());
    FUZZ_CHECK(parsed.strategy.empty() && parsed.strategyId.empty());
}

void CheckCancelLine(const std::string& line, int32_t refId) {
    FUZZ_CHECK(Split(line, ";").size() == 13);
    StandinInstruction parsed;
    std::string error;
    FUZZ_CHECK(ParseInstructionLine(line, parsed, error));
    FUZZ_CHECK(parsed.command == StandinInstruction::Command::Cancel);
    FUZZ_CHECK(parsed.orderId == "HALVENMAR" + std::to_string(refId));
}

}  // namespace

}  // namespace ordersrv

using namespace ordersrv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    OrderInput in;
    if (!Decode(data, size, in)) return 0;

    FuzzBridge f;
    f.engine.connection.SetFolderPresent(true);
    f.engine.Connect({FuzzScratchFolder(), in.account, in.stopToStopLimit});
    const std::string account = f.engine.settings.account;
    FUZZ_CHECK(IsSafeInstructionField(account));

    bool accepted = true;
    try {
        f.engine.router.NewOrder(HostValue::Text(in.symbol), HostValue::Empty(), 0, HostValue::Empty(),
                          in.type, in.timeFrame, in.modifier, in.size, in.price, in.refId);
    } catch (const EngineError&) {
        accepted = false;
    }
    const int32_t count = f.engine.orders.With([](OrderBook& db) { return db.Count(); });
    if (!accepted) {
        FUZZ_CHECK(count == 0 && !f.engine.router.HasQueuedActions());
        return 0;
    }
    FUZZ_CHECK(count == 1);
    f.engine.router.CancelOrder(in.refId);

    // The real drain, into the scratch INCOMING folder.
    f.writer.Drain();
    FUZZ_CHECK(!f.engine.router.HasQueuedActions());
    const std::string path = FuzzScratchFolder() + "/INCOMING/OIF100.TXT";
    std::string content;
    FUZZ_CHECK(plat::ReadWholeFile(path, content));
    plat::RemoveFile(path);
    const std::vector<std::string> lines = Split(content, "\r\n");
    FUZZ_CHECK(lines.size() == 3 && lines[2].empty());
    for (const std::string& line : lines) FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
    CheckPlaceLine(lines[0], in, account);
    CheckCancelLine(lines[1], in.refId);
    FUZZ_CHECK(lines[1] == CancelLine(in.refId));

    const int32_t status = f.engine.orders.With([&](OrderBook& db) {
        return db.FindByRefId(in.refId)->status;
    });
    FUZZ_CHECK(status == 0);  // written, so still open
    return 0;
}
