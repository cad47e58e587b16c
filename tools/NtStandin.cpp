#include "tools/NtStandin.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "bridge/StateLine.h"
#include "model/AsciiText.h"
#include "platform/FileSystem.h"
#include "platform/Tick.h"

namespace ordersrv {

namespace {

std::string Outgoing(const std::string& folder) {
    return plat::WithTrailingDelimiter(plat::WithTrailingDelimiter(folder) + "OUTGOING");
}

std::string Incoming(const std::string& folder) {
    return plat::WithTrailingDelimiter(plat::WithTrailingDelimiter(folder) + "INCOMING");
}

// The order server may hold a file open for a moment (Windows refuses a write then): retry.
template <class F>
bool WithRetries(F&& attempt) {
    for (int i = 0; i < 100; ++i) {
        if (attempt()) return true;
        plat::SleepMs(2);
    }
    return false;
}

// Instruction files in the order they were written: by their number, then by name.
bool EarlierInstructionFile(const std::string& a, const std::string& b) {
    const auto number = [](const std::string& path) {
        const std::string name = plat::FileNamePart(path);
        return WholeNumberOr(name.substr(3, name.size() - 7), -1);
    };
    const int32_t na = number(a), nb = number(b);
    return na != nb ? na < nb : a < b;
}

std::vector<std::string> SplitLines(const std::string& content) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find_first_of("\r\n", start);
        if (end == std::string::npos) end = content.size();
        lines.push_back(content.substr(start, end - start));
        if (end < content.size() && content[end] == '\r' && end + 1 < content.size() &&
            content[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

}  // namespace

NinjaTraderStandin::NinjaTraderStandin(StandinOptions options, LogSink log)
    : options_(std::move(options)), log_(std::move(log)) {}

bool NinjaTraderStandin::AccountAccepted(const std::string& account) const {
    if (options_.accounts.empty()) return true;
    return std::find(options_.accounts.begin(), options_.accounts.end(),
                     UpperCaseAscii(account)) != options_.accounts.end();
}

bool NinjaTraderStandin::Rests(const StandinInstruction& instruction) const {
    if (options_.restLimits && instruction.orderType == "LIMIT") return true;
    return std::find(options_.restSymbols.begin(), options_.restSymbols.end(),
                     instruction.instrument) != options_.restSymbols.end();
}

std::vector<std::string> NinjaTraderStandin::InstructionFiles() const {
    std::vector<plat::FolderEntry> entries;
    std::vector<std::string> files;
    const std::string incoming = Incoming(options_.folder);
    if (!plat::ListFolder(incoming, entries)) return files;
    for (const plat::FolderEntry& entry : entries)
        if (!entry.isFolder && !entry.hiddenOrSystem && IsInstructionFileName(entry.name))
            files.push_back(incoming + entry.name);
    std::sort(files.begin(), files.end(), EarlierInstructionFile);
    return files;
}

bool NinjaTraderStandin::HasInstructionFiles() const { return !InstructionFiles().empty(); }

bool NinjaTraderStandin::HasPendingFills() const {
    for (const auto& entry : orders_)
        if (!entry.second.ended && !entry.second.resting) return true;
    return false;
}

void NinjaTraderStandin::Step(uint32_t now) {
    for (const std::string& path : InstructionFiles()) CarryOutFile(path, now);
    for (auto& entry : orders_) {
        Order& order = entry.second;
        if (order.ended || order.resting) continue;
        if (static_cast<int32_t>(now - order.nextFillTick) >= 0) FillStep(entry.first, order, now);
    }
}

void NinjaTraderStandin::CarryOutFile(const std::string& path, uint32_t now) {
    std::string content;
    if (!plat::ReadWholeFile(path, content)) return;  // still being written: next pass
    if (!WithRetries([&] { return plat::RemoveFile(path); })) {
        log_(plat::FileNamePart(path) + ": cannot delete, skipped");
        return;
    }
    const std::vector<std::string> lines = SplitLines(content);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty()) continue;
        if (options_.trace) log_(plat::FileNamePart(path) + " < " + lines[i]);
        CarryOutLine(plat::FileNamePart(path), i + 1, lines[i], now);
    }
}

void NinjaTraderStandin::CarryOutLine(const std::string& fileName, size_t lineNo,
                              const std::string& line, uint32_t now) {
    StandinInstruction instruction;
    std::string error;
    if (!ParseInstructionLine(line, instruction, error)) {
        log_(fileName + " line " + std::to_string(lineNo) + ": malformed (" + error + "): " + line);
        if (instruction.orderId.empty() || UpperCaseAscii(line.substr(0, 6)) != "PLACE;" ||
            orders_.count(instruction.orderId))
            return;
        Order rejected;
        rejected.ended = true;
        orders_[instruction.orderId] = rejected;
        WriteOrderState(instruction.orderId, "REJECTED", 0, 0.0);
        return;
    }
    if (instruction.command == StandinInstruction::Command::Cancel)
        Cancel(instruction.orderId);
    else
        Place(instruction, now);
}

void NinjaTraderStandin::Place(const StandinInstruction& instruction, uint32_t now) {
    const std::string& id = instruction.orderId;
    if (orders_.count(id)) {
        log_("PLACE " + id + ": order id already used, ignored");
        return;
    }
    Order order;
    order.account = instruction.account;
    order.instrument = instruction.instrument;
    order.side = instruction.action == "BUY" ? 1 : -1;
    order.quantity = instruction.quantity;
    if (!AccountAccepted(instruction.account)) {
        order.ended = true;
        orders_[id] = order;
        log_("PLACE " + id + ": account " + instruction.account + " rejected");
        WriteOrderState(id, "REJECTED", 0, 0.0);
        return;
    }
    order.fillPrice = options_.hasFillPrice      ? options_.fillPrice
                      : instruction.limitPrice > 0 ? instruction.limitPrice
                                                   : StandinOptions::kDefaultFillPrice;
    order.resting = Rests(instruction);
    order.nextFillTick = now + options_.fillDelayMs;
    orders_[id] = order;
    WriteOrderState(id, "ACCEPTED", 0, 0.0);
    WriteOrderState(id, "WORKING", 0, 0.0);
}

void NinjaTraderStandin::Cancel(const std::string& orderId) {
    const auto found = orders_.find(orderId);
    if (found == orders_.end() || found->second.ended) {
        log_("CANCEL " + orderId + ": no working order of that id");
        return;
    }
    Order& order = found->second;
    order.ended = true;
    WriteOrderState(orderId, "CANCELLED", order.filled, order.filled > 0 ? order.fillPrice : 0.0);
}

void NinjaTraderStandin::FillStep(const std::string& orderId, Order& order, uint32_t now) {
    const int32_t steps = std::max<int32_t>(1, options_.partialSteps);
    int32_t target = order.filled;
    while (target == order.filled && order.stepsDone < steps) {
        ++order.stepsDone;
        target = static_cast<int32_t>(int64_t{order.quantity} * order.stepsDone / steps);
    }
    const int32_t quantity = target - order.filled;
    order.filled = target;
    order.nextFillTick = now + options_.fillDelayMs;
    if (quantity > 0) ApplyToPosition(order, quantity);
    order.ended = order.filled >= order.quantity;
    WriteOrderState(orderId, order.ended ? "FILLED" : "PARTFILLED", order.filled, order.fillPrice);
}

void NinjaTraderStandin::ApplyToPosition(const Order& order, int32_t quantity) {
    Position& p = positions_[{order.instrument, order.account}];
    const int32_t change = order.side * quantity;
    const int32_t size = p.size + change;
    if (p.size == 0 || (p.size > 0) == (change > 0)) {
        const double held = p.size < 0 ? -p.size : p.size;
        p.average = (held * p.average + quantity * order.fillPrice) / (held + quantity);
    } else if (size == 0) {
        p.average = 0.0;
    } else if ((size > 0) != (p.size > 0)) {
        p.average = order.fillPrice;  // turned from long to short or back
    }
    p.size = size;
    WriteOutgoing(PositionFileName(order.instrument, options_.exchange, order.account),
                  PositionFileText(p.size, p.average));
}

void NinjaTraderStandin::WriteOrderState(const std::string& orderId, const std::string& state,
                                 int32_t filled, double average) {
    WriteOutgoing(orderId + ".txt", OrderStateFileText(state, filled, average));
}

void NinjaTraderStandin::WriteOutgoing(const std::string& name, const std::string& content) {
    const std::string path = Outgoing(options_.folder) + name;
    if (options_.careless) {
        WithRetries([&] { return plat::WriteWholeFile(path, std::string()); });
        plat::SleepMs(options_.carelessPauseMs);
    }
    if (!WithRetries([&] { return plat::WriteWholeFile(path, content); }))
        log_(name + ": cannot write");
    else if (options_.trace)
        log_(name + " > " + content.substr(0, content.find_first_of("\r\n")));
}

namespace {

class StandinLog {
public:
    explicit StandinLog(const std::string& path) {
        if (!path.empty()) file_.open(path, std::ios::app | std::ios::binary);
    }
    void operator()(const std::string& line) {
        if (file_.is_open()) {
            file_ << line << "\r\n";
            file_.flush();
        } else {
            std::fprintf(stderr, "%s\n", line.c_str());
        }
    }
    bool Failed(const std::string& path) const { return !path.empty() && !file_.is_open(); }

private:
    std::ofstream file_;
};

}  // namespace

int RunStandin(const StandinOptions& options) {
    StandinLog log(options.logPath);
    if (log.Failed(options.logPath)) {
        std::fprintf(stderr, "ntstandin: cannot open log %s\n", options.logPath.c_str());
        return 2;
    }
    plat::MakeFolder(Incoming(options.folder));
    plat::MakeFolder(Outgoing(options.folder));
    NinjaTraderStandin standin(options, [&](const std::string& line) { log(line); });
    const uint32_t start = plat::TickCount();
    for (;;) {
        const uint32_t now = plat::TickCount();
        standin.Step(now);
        if (options.once && !standin.HasPendingFills() && !standin.HasInstructionFiles()) break;
        if (now - start >= options.runMs) break;
        if (!options.stopFile.empty() && plat::FileExists(options.stopFile)) break;
        plat::SleepMs(options.pollMs);
    }
    return 0;
}

}  // namespace ordersrv
