#include "tests/support/StandinProcess.h"

#include "platform/FileSystem.h"

namespace ordersrv {

namespace testsupport {

StandinProcess::StandinProcess(const std::string& program, const std::string& ninjaTraderFolder,
                               const std::string& runFolder,
                               const std::vector<std::string>& options, uint32_t runMs)
    : stopFile_(runFolder + plat::kPathDelimiter + "standin.stop"),
      logPath_(runFolder + plat::kPathDelimiter + "standin.log") {
    plat::RemoveFile(stopFile_);
    plat::RemoveFile(logPath_);
    std::vector<std::string> args = {"--folder", ninjaTraderFolder, "--accounts", "SIM101",
                                     "--run-ms", std::to_string(runMs), "--stop-file", stopFile_,
                                     "--log", logPath_};
    args.insert(args.end(), options.begin(), options.end());
    started_ = process_.Start(RunnablePath(program), args);
}

bool StandinProcess::Stop() {
    if (!started_ || stopped_) return stopped_;
    stopped_ = true;
    plat::WriteWholeFile(stopFile_, "stop");
    return process_.Wait(30000) == 0;
}

}  // namespace testsupport

}  // namespace ordersrv
