#include "server/HostProcessWatch.h"

#include <objbase.h>
#include <rpc.h>
#include <rpcdcep.h>

#include <utility>
#include <vector>

namespace ordersrv {

namespace {

// Beyond the handles one wait can take, the rest are looked at this often.
constexpr DWORD kLookBeyondWaitMs = 1000;

using WatchedProcess = std::pair<DWORD, std::shared_ptr<plat::KernelHandle>>;

bool IsAnotherProcess(DWORD processId) {
    return processId != 0 && processId != GetCurrentProcessId();
}

}  // namespace

DWORD CallingProcessId() {
    unsigned long processId = 0;
    if (I_RpcBindingInqLocalClientPID(nullptr, &processId) == RPC_S_OK &&
        IsAnotherProcess(processId))
        return processId;
    // A caller in a single-threaded apartment is also known by its thread.
    DWORD threadId = 0;
    if (CoGetCallerTID(&threadId) == S_FALSE && threadId != 0) {
        const plat::KernelHandle thread(
            OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, threadId));
        if (thread) {
            const DWORD owner = GetProcessIdOfThread(thread.Get());
            if (IsAnotherProcess(owner)) return owner;
        }
    }
    return 0;
}

HostProcessWatch::~HostProcessWatch() { Stop(); }

void HostProcessWatch::Start(Ended ended) {
    std::lock_guard<std::mutex> hold(lock_);
    if (thread_.joinable()) return;
    wake_.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!wake_) return;
    ended_ = std::move(ended);
    stopping_ = false;
    thread_ = std::thread([this] { Run(); });
}

void HostProcessWatch::Stop() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!thread_.joinable()) return;
        stopping_ = true;
        SetEvent(wake_.Get());
    }
    thread_.join();
    std::lock_guard<std::mutex> hold(lock_);
    processes_.clear();
}

bool HostProcessWatch::Add(DWORD processId) {
    std::lock_guard<std::mutex> hold(lock_);
    if (!thread_.joinable() || stopping_) return false;
    if (processes_.count(processId)) return true;
    auto process = std::make_shared<plat::KernelHandle>(
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!*process) return false;
    processes_.emplace(processId, std::move(process));
    SetEvent(wake_.Get());
    return true;
}

void HostProcessWatch::Remove(DWORD processId) {
    std::lock_guard<std::mutex> hold(lock_);
    if (processes_.erase(processId)) SetEvent(wake_.Get());
}

size_t HostProcessWatch::Count() {
    std::lock_guard<std::mutex> hold(lock_);
    return processes_.size();
}

void HostProcessWatch::Run() {
    // The word goes to code that cuts objects off from their clients: inside the apartment.
    const plat::ComApartment apartment(plat::ComApartment::MultiThreaded);
    for (;;) {
        std::vector<WatchedProcess> watched;  // its own references: a Remove meanwhile closes none
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (stopping_) return;
            watched.assign(processes_.begin(), processes_.end());
        }
        std::vector<HANDLE> handles{wake_.Get()};
        const size_t waitedOn = std::min<size_t>(watched.size(), MAXIMUM_WAIT_OBJECTS - 1);
        for (size_t i = 0; i < waitedOn; ++i) handles.push_back(watched[i].second->Get());
        const DWORD result =
            WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE,
                                   watched.size() > waitedOn ? kLookBeyondWaitMs : INFINITE);
        std::vector<DWORD> ended;
        if (result > WAIT_OBJECT_0 && result < WAIT_OBJECT_0 + handles.size())
            ended.push_back(watched[result - WAIT_OBJECT_0 - 1].first);
        for (size_t i = waitedOn; i < watched.size(); ++i)
            if (WaitForSingleObject(watched[i].second->Get(), 0) == WAIT_OBJECT_0)
                ended.push_back(watched[i].first);
        if (result == WAIT_FAILED) Sleep(kLookBeyondWaitMs);  // never spin on a bad handle
        for (DWORD processId : ended) {
            {
                std::lock_guard<std::mutex> hold(lock_);
                if (stopping_) return;
                processes_.erase(processId);
            }
            ended_(processId);
        }
    }
}

}  // namespace ordersrv
