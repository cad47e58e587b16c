#pragma once
// The NinjaTrader stand-in run as a process of its own on a NinjaTrader folder for account
// SIM101, logging to "standin.log" in the run folder; it ends when Stop writes its stop file.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"

namespace ordersrv {

namespace testsupport {

class StandinProcess {
public:
    // `program` as the build names it; `options` follow the common ones.
    StandinProcess(const std::string& program, const std::string& ninjaTraderFolder,
                   const std::string& runFolder, const std::vector<std::string>& options,
                   uint32_t runMs = 60000);
    ~StandinProcess() { Stop(); }
    StandinProcess(const StandinProcess&) = delete;
    StandinProcess& operator=(const StandinProcess&) = delete;

    bool Started() const { return started_; }
    // Writes the stop file and waits; true when the stand-in ended by itself without fault.
    bool Stop();
    const std::string& LogPath() const { return logPath_; }

private:
    ChildProcess process_;
    bool started_ = false, stopped_ = false;
    std::string stopFile_, logPath_;
};

}  // namespace testsupport

}  // namespace ordersrv
