#pragma once
// Runs a program as a process of its own; killed if still running when the owner goes. Under
// Windows also the one way tests start a program and turn the build's paths into paths the
// program understands.
#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace ordersrv {

namespace testsupport {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Start(const std::string& program, const std::vector<std::string>& args);
    bool Started() const { return running_; }
    // The exit code, or -1 when the process has not ended within the time.
    int Wait(uint32_t timeoutMs);
    // Ends the process at once, as a task manager would.
    void Kill();

private:
#ifdef _WIN32
    HANDLE process_ = nullptr;
#else
    int pid_ = -1;
#endif
    bool running_ = false;
};

// A path from the build as the running system names it: under Wine, Unix paths through drive Z:.
std::string RunnablePath(const std::string& buildPath);

#ifdef _WIN32
// Starts a program with an argument string as it stands (both UTF-8); the process handle
// (caller closes it), or null.
HANDLE StartProgram(const std::string& executable, const std::string& arguments);
#endif

}  // namespace testsupport

}  // namespace ordersrv
