#pragma once
// Runs a program as a separate process for round-trip tests; killed if still running at the end.
#include <cstdint>
#include <string>
#include <vector>

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Start(const std::string& program, const std::vector<std::string>& args);
    // The exit code, or -1 when the process has not ended within the time.
    int Wait(uint32_t timeoutMs);

private:
    void Kill();
#ifdef _WIN32
    void* process_ = nullptr;
#else
    int pid_ = -1;
#endif
    bool running_ = false;
};

// The stand-in's path as this build knows it, in the form the running system understands.
std::string StandinProgramPath();
