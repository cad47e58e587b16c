#pragma once
// The live-object count of the server (objects plus class-object locks) and the last-release
// rule: a process that COM started ends when its last object goes; one the user started stays.
// It also knows the live objects, so that an end the user forces can cut their clients off.
#include <windows.h>

#include <mutex>
#include <vector>

#include "server/EventHub.h"

namespace ordersrv {

class ServerLifetime {
public:
    // Before the class object is published. endOnLastRelease: started by COM.
    void Configure(bool endOnLastRelease, DWORD mainThreadId);

    void ObjectAdded();     // any thread
    void ObjectReleased();  // any thread; may post the quit request to the main thread
    LONG LiveObjects() const;

    // An object's life as its clients see it, from its creation to the start of its end.
    void Track(SubscriptionOwner& object);
    void Forget(SubscriptionOwner& object);
    // At the end, once no call can reach the engine: every object still held is disconnected
    // from its clients. COM would otherwise wait in the apartment's end for their calls (Wine
    // waits for good when one was cut short), and clients learn at once that the server has
    // gone.
    void DisconnectClients();

private:
    volatile LONG count_ = 0;
    bool endOnLastRelease_ = false;
    DWORD mainThreadId_ = 0;
    std::mutex lock_;
    std::vector<SubscriptionOwner*> objects_;
};

// The question asked before the user closes the application while clients hold objects;
// true when the application may end.
bool ConfirmEndWithLiveObjects(const ServerLifetime& lifetime, HWND owner);

}  // namespace ordersrv
