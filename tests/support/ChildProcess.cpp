#include "tests/support/ChildProcess.h"

#include "platform/Tick.h"

#ifdef _WIN32
#include "platform/win32/WideText.h"
#endif

#ifndef _WIN32
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace ordersrv {
namespace testsupport {

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

HANDLE StartProgram(const std::string& executable, const std::string& arguments) {
    std::wstring commandLine = plat::WideText(Quoted(executable));
    if (!arguments.empty()) commandLine += L" " + plat::WideText(arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(plat::WideText(executable).c_str(), &commandLine[0], nullptr, nullptr,
                        FALSE, 0, nullptr, nullptr, &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

std::string RunnablePath(const std::string& buildPath) {
    std::string path = buildPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    if (!buildPath.empty() && buildPath[0] == '/') path = "Z:" + path;
    return path;
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args) {
    std::string arguments;
    for (const std::string& arg : args) arguments += (arguments.empty() ? "" : " ") + Quoted(arg);
    process_ = StartProgram(program, arguments);
    running_ = process_ != nullptr;
    return running_;
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

#else

std::string RunnablePath(const std::string& buildPath) { return buildPath; }

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

#endif

}  // namespace testsupport
}  // namespace ordersrv
