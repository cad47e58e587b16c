#include "server/ServerLifetime.h"

#include <objbase.h>

#include <algorithm>
#include <utility>

namespace ordersrv {

void ServerLifetime::Configure(bool endOnLastRelease, DWORD mainThreadId) {
    endOnLastRelease_ = endOnLastRelease;
    mainThreadId_ = mainThreadId;
}

void ServerLifetime::ObjectAdded() {
    InterlockedIncrement(&count_);
    if (endOnLastRelease_) CoAddRefServerProcess();
}

void ServerLifetime::ObjectReleased() {
    InterlockedDecrement(&count_);
    // COM's own count also suspends the class object at zero, so no client can slip in
    // between the last release and the end of the process.
    if (endOnLastRelease_ && CoReleaseServerProcess() == 0)
        PostThreadMessageA(mainThreadId_, WM_QUIT, 0, 0);
}

void ServerLifetime::Track(SubscriptionOwner& object) {
    std::lock_guard<std::mutex> hold(lock_);
    objects_.push_back(&object);
}

void ServerLifetime::Forget(SubscriptionOwner& object) {
    std::lock_guard<std::mutex> hold(lock_);
    objects_.erase(std::remove(objects_.begin(), objects_.end(), &object), objects_.end());
}

void ServerLifetime::DisconnectClients() {
    // A reference of its own keeps each object while its clients are cut off: the object's
    // last release may come from that.
    std::vector<std::pair<SubscriptionOwner*, IUnknown*>> held;
    {
        std::lock_guard<std::mutex> hold(lock_);
        for (SubscriptionOwner* object : objects_)
            if (IUnknown* reference = object->KeepAlive()) held.emplace_back(object, reference);
    }
    for (const auto& [object, reference] : held) {
        object->DisconnectClients();
        reference->Release();
    }
}

LONG ServerLifetime::LiveObjects() const {
    return InterlockedCompareExchange(const_cast<volatile LONG*>(&count_), 0, 0);
}

bool ConfirmEndWithLiveObjects(const ServerLifetime& lifetime, HWND owner) {
    if (lifetime.LiveObjects() <= 0) return true;
    static const char kText[] =
        "There are still active COM objects in this application.  One or more clients may "
        "have references to these objects, so manually closing "
        "this application may cause those client application(s) to fail."
        "\r\n\r\n"
        "Are you sure you want to close this application?";
    return MessageBoxA(owner, kText, "COM Server Warning",
                       MB_ICONWARNING | MB_YESNO | MB_DEFBUTTON2 | MB_TASKMODAL) == IDYES;
}

}  // namespace ordersrv
