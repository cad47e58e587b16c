#pragma once
// The live-object count of the server (objects plus class-object locks) and the last-release
// rule: a process that COM started ends when its last object goes; one the user started stays.
#include <windows.h>

namespace ordersrv {

class ServerLifetime {
public:
    // Before the class object is published. endOnLastRelease: started by COM.
    void Configure(bool endOnLastRelease, DWORD mainThreadId);

    void ObjectAdded();     // any thread
    void ObjectReleased();  // any thread; may post the quit request to the main thread
    LONG LiveObjects() const;

private:
    volatile LONG count_ = 0;
    bool endOnLastRelease_ = false;
    DWORD mainThreadId_ = 0;
};

// The question asked before the user closes the application while clients hold objects;
// true when the application may end.
bool ConfirmEndWithLiveObjects(const ServerLifetime& lifetime, HWND owner);

}  // namespace ordersrv
