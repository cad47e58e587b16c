#pragma once
// What the load tests share: a running OrderSrv.exe in a folder of its own with a process
// handle to watch and kill, the NinjaTrader stand-in as a separate process, the instruction
// files as NinjaTrader would read them, and the server process's memory and handle figures.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Scoped.h"
#include "server/ComPtr.h"
#include "server/Quillmere.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/StandinProcess.h"

namespace ordersrv {

using plat::ScopedVariant;

// A whole-number setting from the environment (sizes of a run); `fallback` when unset or bad.
int EnvironmentNumber(const char* name, int fallback);

// Memory, open handles and threads of the server's process. Under Wine they come from the
// Linux process that runs it (VmRSS, open file descriptors, threads): Wine reports no handle
// count for another process.
struct ProcessFigures {
    size_t workingSetBytes = 0;
    DWORD handles = 0;
    DWORD threads = 0;
};

// One OrderSrv.exe in a folder of its own, with a handle to its process for figures and kills.
class RunningServer {
public:
    explicit RunningServer(const std::string& runFolder);
    ~RunningServer();
    RunningServer(const RunningServer&) = delete;
    RunningServer& operator=(const RunningServer&) = delete;

    const ServerFolder& Folder() const { return folder_; }
    std::string IncomingFolder() const { return folder_.NinjaTraderFolder() + "\\INCOMING"; }
    HANDLE Process() const { return process_; }

    // Has COM start the server (-Embedding) and holds one object, so it lives until Stop; a
    // failure says what COM answered and how the registration before it ended.
    ::testing::AssertionResult StartThroughCom();
    // Starts the server as a user would; it stays when clients go.
    bool StartStandalone();
    // Lets go of the held object and waits for the server to end by itself.
    bool Stop();
    // Ends the process at once, as a task manager would; true when it has ended.
    bool Kill();
    bool Running() const;
    ProcessFigures Figures() const;

private:
    bool FindProcess();
    void FindUnixProcess();
    int unixProcess_ = 0;
    ServerFolder folder_;
    int registered_ = -1;  // the exit code of /RegServer
    ComPtr<IOrderServer> keeper_;
    HANDLE process_ = nullptr;
};

ComPtr<IOrderServer> CreateOrderServer(HRESULT* result = nullptr);

// An instruction file as NinjaTrader would read it.
struct InstructionFile {
    std::string name;
    std::string content;
    std::vector<std::string> lines;  // without their CR LF
    bool wholeLines = false;         // every line, the last included, ends in CR LF; no bare CR/LF
};
// The OIF*.TXT files of the folder in the order they were written (by number).
std::vector<InstructionFile> ReadInstructionFiles(const std::string& incomingFolder);
std::vector<std::string> SplitFields(const std::string& line);

// The NinjaTrader stand-in for a load run, as a process of its own. When
// ORDERSRV_LOAD_STANDIN_LOG names a log, a stand-in started outside (the faster native one)
// serves the folder instead, logging there and ending when "standin.stop" appears in the run
// folder.
class LoadStandin {
public:
    LoadStandin(const std::string& ninjaTraderFolder, const std::string& runFolder,
                const std::vector<std::string>& options);

    bool Started() const { return !own_ || own_->Started(); }
    // Asks it to end through its stop file; true when it ended by itself (or runs outside).
    bool Stop();
    const std::string& LogPath() const { return own_ ? own_->LogPath() : externalLog_; }

private:
    std::unique_ptr<testsupport::StandinProcess> own_;
    std::string externalLog_, externalStop_;
};

// One instruction line the stand-in logged with --trace: "OIF<n>.TXT < <line>".
struct TracedLine {
    std::string file;
    std::string line;
};
std::vector<TracedLine> ReadTracedLines(const std::string& logPath);

// "HALVENMAR<ref>" read back into the reference; false when the id is not of that form.
bool OrderIdReference(const std::string& orderId, int32_t& reference);

// How many PLACE lines in the folder's instruction files carry each reference.
std::map<int32_t, int> PlacedReferences(const std::string& incomingFolder);

// Wine's RPC service keeps the class registration of a killed server (Windows drops it when the
// process dies), so until the service starts again no client reaches a new server of the class.
// Ends this prefix's rpcss.exe; Wine starts it again at the next request.
bool RestartRpcService();
// Starts a killed server again as a user would and has a host reach it, restarting Wine's RPC
// service when the dead server's registration stands in the way. Null when no host can.
ComPtr<IOrderServer> StartAgainAfterKill(RunningServer& server);

}  // namespace ordersrv
