#include "tests/tools/ChildProcess.h"

#include "platform/Tick.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

ChildProcess::~ChildProcess() { Kill(); }

#ifdef _WIN32

namespace {

std::string Quoted(const std::string& arg) {
    std::string quoted = "\"";
    for (const char c : arg) {
        if (c == '"') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args) {
    std::string commandLine = Quoted(program);
    for (const std::string& arg : args) commandLine += " " + Quoted(arg);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    running_ = true;
    return true;
}

int ChildProcess::Wait(uint32_t timeoutMs) {
    if (!process_) return -1;
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    running_ = false;
    return static_cast<int>(code);
}

void ChildProcess::Kill() {
    if (!process_) return;
    if (running_) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
    process_ = nullptr;
    running_ = false;
}

std::string StandinProgramPath() {
    // Wine sees the build tree's Unix paths through drive Z:.
    std::string path = NTSTANDIN_PATH;
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

#else

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    pid_ = pid;
    running_ = true;
    return true;
}

int ChildProcess::Wait(uint32_t timeoutMs) {
    if (pid_ < 0) return -1;
    const uint32_t start = plat::TickCount();
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            running_ = false;
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        }
        if (plat::TickCount() - start >= timeoutMs) return -1;
        plat::SleepMs(5);
    }
}

void ChildProcess::Kill() {
    if (pid_ < 0 || !running_) return;
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    running_ = false;
}

std::string StandinProgramPath() { return NTSTANDIN_PATH; }

#endif
