#pragma once
// What the load tests share: a running OrderSrv.exe in a folder of its own with a process
// handle to watch and kill, the NinjaTrader stand-in as a separate process, the instruction
// files as NinjaTrader would read them, and the server process's memory and handle figures.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ServerProcess.h"
#include "server/ComPtr.h"
#include "server/Quillmere.h"

// A VARIANT cleared when it goes out of scope.
struct TVar {
    VARIANT v;
    TVar() { VariantInit(&v); }
    explicit TVar(const wchar_t* text);
    ~TVar() { VariantClear(&v); }
    TVar(const TVar&) = delete;
    TVar& operator=(const TVar&) = delete;
};

// A whole-number setting from the environment (sizes of a run); `fallback` when unset or bad.
int EnvironmentNumber(const char* name, int fallback);

// One OrderSrv.exe in a folder of its own, with a handle to its process for figures and kills.
class TRunningServer {
public:
    explicit TRunningServer(const std::string& runFolder);
    ~TRunningServer();
    TRunningServer(const TRunningServer&) = delete;
    TRunningServer& operator=(const TRunningServer&) = delete;

    const TServerFolder& Folder() const { return folder_; }
    std::string IncomingFolder() const { return folder_.NinjaTraderFolder() + "\\incoming"; }
    HANDLE Process() const { return process_; }

    // Has COM start the server (-Embedding) and holds one object, so it lives until Stop.
    bool StartThroughCom();
    // Starts the server as a user would; it stays when clients go.
    bool StartStandalone();
    // Lets go of the held object and waits for the server to end by itself.
    bool Stop();
    // Ends the process at once, as a task manager would; true when it has ended.
    bool Kill();
    bool Running() const;

private:
    bool FindProcess();
    TServerFolder folder_;
    TComPtr<IOrderServer> keeper_;
    HANDLE process_ = nullptr;
};

TComPtr<IOrderServer> CreateOrderServer(HRESULT* result = nullptr);

// Memory and handle count of a process, as the system reports them.
struct TProcessFigures {
    size_t workingSetBytes = 0;
    DWORD handles = 0;
};
TProcessFigures ProcessFigures(HANDLE process);

// An instruction file as NinjaTrader would read it.
struct TInstructionFile {
    std::string name;
    std::string content;
    std::vector<std::string> lines;  // without their CR LF
    bool wholeLines = false;         // every line, the last included, ends in CR LF; no bare CR/LF
};
// The OIF*.TXT files of the folder in the order they were written (by number).
std::vector<TInstructionFile> ReadInstructionFiles(const std::string& incomingFolder);
std::vector<std::string> SplitFields(const std::string& line);

// The NinjaTrader stand-in (ntstandin.exe) as a separate process.
class TStandinProcess {
public:
    TStandinProcess(const std::string& executable, const std::string& ninjaTraderFolder,
                    const std::string& runFolder, const std::string& extraOptions);
    ~TStandinProcess();
    TStandinProcess(const TStandinProcess&) = delete;
    TStandinProcess& operator=(const TStandinProcess&) = delete;

    bool Started() const { return process_ != nullptr; }
    // Asks it to end through its stop file and waits; true when it ended by itself.
    bool Stop();
    const std::string& LogPath() const { return logPath_; }

private:
    HANDLE process_ = nullptr;
    std::string stopFile_, logPath_;
};

// One instruction line the stand-in logged with --trace: "OIF<n>.TXT < <line>".
struct TTracedLine {
    std::string file;
    std::string line;
};
std::vector<TTracedLine> ReadTracedLines(const std::string& logPath);

// "HALVENMAR<ref>" read back into the reference; false when the id is not of that form.
bool OrderIdReference(const std::string& orderId, int32_t& reference);
