#pragma once
// A NinjaTrader stand-in: carries out the instruction files the order server writes into
// INCOMING and answers in OUTGOING with order-state and position files.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tools/StandinLines.h"

namespace ordersrv {

struct StandinOptions {
    std::string folder;                 // NinjaTrader folder holding INCOMING and OUTGOING
    std::vector<std::string> accounts;  // accepted accounts (upper case); empty = any
    bool hasFillPrice = false;
    double fillPrice = 0.0;             // else the order's limit price, else kDefaultFillPrice
    uint32_t fillDelayMs = 0;           // before each fill step
    int32_t partialSteps = 1;           // fills in this many steps, PARTFILLED between
    std::vector<std::string> restSymbols;  // orders for these instruments never fill
    bool restLimits = false;            // limit orders never fill
    bool careless = false;              // files are emptied first, written a moment later
    uint32_t carelessPauseMs = 40;
    std::string exchange = "GLOBEX";
    uint32_t runMs = 600000;            // the run always ends by itself
    bool once = false;                  // carry out what is there, finish its fills, end
    std::string stopFile;               // the run ends when this file appears
    std::string logPath;                // empty: standard error
    bool trace = false;                 // log every instruction line and every file written
    uint32_t pollMs = 10;

    static constexpr double kDefaultFillPrice = 100.0;
};

// Command-line options; false with the reason for an unknown or malformed option.
bool ParseStandinOptions(const std::vector<std::string>& args, StandinOptions& options,
                         std::string& error);
std::string StandinUsage();

class NinjaTraderStandin {
public:
    using LogSink = std::function<void(const std::string&)>;
    NinjaTraderStandin(StandinOptions options, LogSink log);

    // One pass at tick `now`: carries out new instruction files, then the fills that are due.
    void Step(uint32_t now);
    // Fill steps scheduled for orders that do not rest.
    bool HasPendingFills() const;
    // Instruction files waiting in INCOMING.
    bool HasInstructionFiles() const;

private:
    struct Order {
        std::string account, instrument;
        int32_t side = 1;  // +1 buy, -1 sell
        int32_t quantity = 0, filled = 0, stepsDone = 0;
        double fillPrice = 0.0;
        bool ended = false, resting = false;
        uint32_t nextFillTick = 0;
    };
    struct Position {
        int32_t size = 0;
        double average = 0.0;
    };

    std::vector<std::string> InstructionFiles() const;
    void CarryOutFile(const std::string& path, uint32_t now);
    void CarryOutLine(const std::string& fileName, size_t lineNo, const std::string& line,
                      uint32_t now);
    void Place(const StandinInstruction& instruction, uint32_t now);
    void Cancel(const std::string& orderId);
    void FillStep(const std::string& orderId, Order& order, uint32_t now);
    void ApplyToPosition(const Order& order, int32_t quantity);
    void WriteOrderState(const std::string& orderId, const std::string& state, int32_t filled,
                         double average);
    void WriteOutgoing(const std::string& name, const std::string& content);
    bool AccountAccepted(const std::string& account) const;
    bool Rests(const StandinInstruction& instruction) const;

    StandinOptions options_;
    LogSink log_;
    std::map<std::string, Order> orders_;
    std::map<std::pair<std::string, std::string>, Position> positions_;  // instrument, account
};

// Runs the stand-in until its time is up, the stop file appears or (with --once) the work is
// done. Returns the process exit code.
int RunStandin(const StandinOptions& options);

}  // namespace ordersrv
