#pragma once
// The processes of the hosts that subscribed, and word when one of them has ended. A killed host
// says nothing, and COM under Wine never lets go of what it held (on Windows only after
// minutes); the host's process handle tells at once. One thread waits on all of them.
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/Scoped.h"

namespace ordersrv {

// The process of the host whose call this thread serves; 0 when it cannot be told (the call
// came from this process, or from another machine).
DWORD CallingProcessId();

class HostProcessWatch {
public:
    using Ended = std::function<void(DWORD processId)>;

    HostProcessWatch() = default;
    ~HostProcessWatch();  // Stop
    HostProcessWatch(const HostProcessWatch&) = delete;
    HostProcessWatch& operator=(const HostProcessWatch&) = delete;

    // `ended` is called on the watch's thread, with no lock held, once for each process that
    // ends while watched; the process is no longer watched then.
    void Start(Ended ended);
    void Stop();  // no word comes after it returns

    // False when the process cannot be watched (gone, or no right to wait for it).
    bool Add(DWORD processId);
    void Remove(DWORD processId);
    size_t Count();

private:
    void Run();

    std::mutex lock_;
    std::map<DWORD, std::shared_ptr<plat::KernelHandle>> processes_;
    plat::KernelHandle wake_;  // the set changed, or the end
    bool stopping_ = false;
    Ended ended_;
    std::thread thread_;
};

}  // namespace ordersrv
