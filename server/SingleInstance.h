#pragma once
// The single-instance rule: a named mutex owned by the first instance for its whole run.
#include <windows.h>

#include <string>

#include "platform/Scoped.h"

namespace ordersrv {

class InstanceMutex {
public:
    explicit InstanceMutex(const std::string& name);  // UTF-8
    ~InstanceMutex() { Close(); }
    InstanceMutex(const InstanceMutex&) = delete;
    InstanceMutex& operator=(const InstanceMutex&) = delete;

    // True when this process created the mutex (it did not exist before).
    bool IsFirstInstance() const { return first_; }
    void Close();

private:
    plat::KernelHandle handle_;
    bool first_ = false;
};

// Brings a first instance that is still starting up to the front: it is found as the second
// top-level window titled like this one's application (the first being this process's own).
// Normally finds nothing, as a running instance's title is "OrderServer (NT)".
void ActivatePreviousInstance(const std::string& applicationTitle);

}  // namespace ordersrv
