#include "LoadSupport.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/FileSystem.h"

namespace ordersrv {

namespace {

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// Number of an instruction file name "OIF<n>.TXT" (any case); -1 for any other name.
long InstructionFileNumber(const std::string& name) {
    if (name.size() < 8) return -1;
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    if (upper.compare(0, 3, "OIF") != 0 || upper.compare(upper.size() - 4, 4, ".TXT") != 0)
        return -1;
    const std::string digits = upper.substr(3, upper.size() - 7);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::strtol(digits.c_str(), nullptr, 10);
}

void SplitWholeLines(InstructionFile& file) {
    const std::string& c = file.content;
    file.wholeLines = !c.empty();
    size_t start = 0;
    while (start < c.size()) {
        const size_t end = c.find("\r\n", start);
        if (end == std::string::npos) {  // a tail without its line end
            file.lines.push_back(c.substr(start));
            file.wholeLines = false;
            break;
        }
        std::string line = c.substr(start, end - start);
        if (line.find_first_of("\r\n") != std::string::npos) file.wholeLines = false;
        file.lines.push_back(std::move(line));
        start = end + 2;
    }
}

}  // namespace

int EnvironmentNumber(const char* name, int fallback) {
    const char* text = std::getenv(name);
    if (!text || !*text) return fallback;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return (*end == '\0' && value > 0 && value < 10000000) ? static_cast<int>(value) : fallback;
}

// ---- RunningServer -----------------------------------------------------------------------

RunningServer::RunningServer(const std::string& runFolder)
    : folder_(ORDERSRV_EXE, runFolder) {
    folder_.WriteSettings();
    registered_ = folder_.RunToEnd("/RegServer");
}

RunningServer::~RunningServer() {
    Stop();
    folder_.RunToEnd("/UnregServer");
}

// The server's main window comes after its class object is published: then clients reach it.
bool RunningServer::FindProcess() {
    for (int waited = 0; waited < 30000; waited += 50) {
        if (HWND window = FindWindowA("TNTOrderServerForm", nullptr)) {
            DWORD id = 0;
            GetWindowThreadProcessId(window, &id);
            if (!process_)
                process_ = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION |
                                           PROCESS_VM_READ,
                                       FALSE, id);
            FindUnixProcess();
            return process_ != nullptr;
        }
        if (process_ && !Running()) return false;
        Sleep(50);
    }
    return false;
}

::testing::AssertionResult RunningServer::StartThroughCom() {
    HRESULT created = E_FAIL;
    keeper_ = CreateOrderServer(&created);
    if (!keeper_)
        return ::testing::AssertionFailure()
               << "CoCreateInstance answered 0x" << std::hex << static_cast<unsigned long>(created)
               << std::dec << " (/RegServer exited with " << registered_ << ")";
    if (!FindProcess()) return ::testing::AssertionFailure() << "the server's window never came";
    return ::testing::AssertionSuccess();
}

bool RunningServer::StartStandalone() {
    if (process_) CloseHandle(process_);
    process_ = folder_.Start("");
    return process_ && FindProcess();
}

bool RunningServer::Stop() {
    keeper_.Reset();
    if (!process_) return true;
    const bool ended = WaitForSingleObject(process_, 30000) == WAIT_OBJECT_0;
    return Kill() && ended;
}

bool RunningServer::Kill() {
    if (!process_) return true;
    TerminateProcess(process_, 1);
    bool ended = WaitForSingleObject(process_, 30000) == WAIT_OBJECT_0;
    // Wine reports the process ended once its threads are told to end; one inside a system call
    // (a rename into INCOMING) still finishes it. Killed means killed: the Linux process is gone.
    for (int waited = 0; ended && unixProcess_ != 0 && waited < 10000; waited += 10, Sleep(10)) {
        const std::string status = ReadWhole("Z:\\proc\\" + std::to_string(unixProcess_) + "\\status");
        if (status.empty() || status.find("\nState:\tZ") != std::string::npos) break;
    }
    CloseHandle(process_);
    process_ = nullptr;
    unixProcess_ = 0;
    return ended && WaitForServerEnd(30000);
}

bool RunningServer::Running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

ComPtr<IOrderServer> CreateOrderServer(HRESULT* result) {
    ComPtr<IOrderServer> server;
    const HRESULT hr = CoCreateInstance(CLSID_OrderServer, nullptr, CLSCTX_LOCAL_SERVER,
                                        IID_IOrderServer, reinterpret_cast<void**>(server.Out()));
    if (result) *result = hr;
    return server;
}

// The Linux process whose command line names this folder's OrderSrv.exe (Wine shows /proc as
// Z:\proc); 0 when not found.
void RunningServer::FindUnixProcess() {
    const auto normal = [](std::string text) {
        for (char& c : text) c = c == '/' ? '\\' : static_cast<char>(tolower(static_cast<unsigned char>(c)));
        return text;
    };
    const std::string wanted = normal(folder_.Folder().substr(2) + "\\OrderSrv.exe");  // no drive
    unixProcess_ = 0;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        if (normal(ReadWhole("Z:\\proc\\" + name + "\\cmdline")).find(wanted) != std::string::npos) {
            unixProcess_ = std::atoi(name.c_str());
            break;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

ProcessFigures RunningServer::Figures() const {
    ProcessFigures figures;
    if (!process_) return figures;
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process_, &memory, sizeof memory))
        figures.workingSetBytes = memory.WorkingSetSize;
    GetProcessHandleCount(process_, &figures.handles);
    if (unixProcess_ == 0) return figures;
    const std::string proc = "Z:\\proc\\" + std::to_string(unixProcess_);
    std::istringstream status(ReadWhole(proc + "\\status"));
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, 6, "VmRSS:") == 0)
            figures.workingSetBytes = std::strtoull(line.c_str() + 6, nullptr, 10) * 1024;
        if (line.compare(0, 8, "Threads:") == 0)
            figures.threads = static_cast<DWORD>(std::strtoul(line.c_str() + 8, nullptr, 10));
    }
    DWORD descriptors = 0;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((proc + "\\fd\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.cFileName[0] != '.') ++descriptors;
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    if (descriptors > 0) figures.handles = descriptors;
    return figures;
}

// ---- Instruction files ----------------------------------------------------------------------

std::vector<InstructionFile> ReadInstructionFiles(const std::string& incomingFolder) {
    std::vector<std::pair<long, std::string>> names;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((incomingFolder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const long number = InstructionFileNumber(found.cFileName);
            if (number >= 0 && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.emplace_back(number, found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    std::sort(names.begin(), names.end());
    std::vector<InstructionFile> files;
    for (const auto& name : names) {
        InstructionFile file;
        file.name = name.second;
        file.content = ReadWhole(incomingFolder + "\\" + name.second);
        SplitWholeLines(file);
        files.push_back(std::move(file));
    }
    return files;
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t end = line.find(';', start);
        fields.push_back(line.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) return fields;
        start = end + 1;
    }
}

bool OrderIdReference(const std::string& orderId, int32_t& reference) {
    static const std::string prefix = "HALVENMAR";
    if (orderId.compare(0, prefix.size(), prefix) != 0) return false;
    const std::string digits = orderId.substr(prefix.size());
    if (digits.empty() || digits.size() > 11) return false;
    char* end = nullptr;
    const long long value = std::strtoll(digits.c_str(), &end, 10);
    if (*end != '\0' || value < INT32_MIN || value > INT32_MAX) return false;
    reference = static_cast<int32_t>(value);
    return std::to_string(reference) == digits;
}

// ---- The stand-in ---------------------------------------------------------------------------

LoadStandin::LoadStandin(const std::string& ninjaTraderFolder, const std::string& runFolder,
                         const std::vector<std::string>& options) {
    const char* external = std::getenv("ORDERSRV_LOAD_STANDIN_LOG");
    if (external && *external) {
        externalLog_ = testsupport::RunnablePath(external);
        externalStop_ = runFolder + "\\standin.stop";
        DeleteFileA(externalStop_.c_str());
        return;
    }
    own_ = std::make_unique<testsupport::StandinProcess>(ORDERSRV_STANDIN, ninjaTraderFolder,
                                                         runFolder, options, 900000);
}

bool LoadStandin::Stop() {
    if (own_) return own_->Stop();
    return plat::WriteWholeFile(externalStop_, "stop");
}

std::vector<TracedLine> ReadTracedLines(const std::string& logPath) {
    std::vector<TracedLine> traced;
    std::istringstream log(ReadWhole(logPath));
    std::string line;
    while (std::getline(log, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t mark = line.find(" < ");
        if (mark == std::string::npos || InstructionFileNumber(line.substr(0, mark)) < 0) continue;
        traced.push_back({line.substr(0, mark), line.substr(mark + 3)});
    }
    return traced;
}

std::map<int32_t, int> PlacedReferences(const std::string& incomingFolder) {
    std::map<int32_t, int> placed;
    for (const InstructionFile& file : ReadInstructionFiles(incomingFolder))
        for (const std::string& line : file.lines) {
            const std::vector<std::string> fields = SplitFields(line);
            int32_t reference = -1;
            if (fields.size() == 13 && fields[0] == "PLACE" && OrderIdReference(fields[10], reference))
                ++placed[reference];
        }
    return placed;
}

bool RestartRpcService() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool ended = false;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, "rpcss.exe") != 0) continue;
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (!process) continue;
        ended = TerminateProcess(process, 0) && WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return ended;
}

ComPtr<IOrderServer> StartAgainAfterKill(RunningServer& server) {
    if (!server.StartStandalone()) return ComPtr<IOrderServer>();
    ComPtr<IOrderServer> host = CreateOrderServer();
    if (host) return host;
    server.Kill();
    RestartRpcService();
    if (!server.StartStandalone()) return ComPtr<IOrderServer>();
    return CreateOrderServer();
}

}  // namespace ordersrv
