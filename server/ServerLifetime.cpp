#include "server/ServerLifetime.h"

#include <objbase.h>

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
