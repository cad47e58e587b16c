#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <atomic>

#include "platform/win32/HwndTarget.h"
#include "workers/EventQueue.h"
#include "workers/Scheduler.h"

namespace ordersrv {

namespace {

constexpr UINT kTestMessage = WM_APP + 40;

// A hidden message-only window of this thread, destroyed with the object.
class MessageWindow {
public:
    MessageWindow() {
        static const ATOM atom = [] {
            WNDCLASSA cls = {};
            cls.lpfnWndProc = DefWindowProcA;
            cls.hInstance = GetModuleHandleA(nullptr);
            cls.lpszClassName = "WorkersTestWindow";
            return RegisterClassA(&cls);
        }();
        hwnd_ = atom ? CreateWindowExA(0, "WorkersTestWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                       nullptr, GetModuleHandleA(nullptr), nullptr)
                     : nullptr;
    }
    ~MessageWindow() { Destroy(); }
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    void Destroy() {
        if (hwnd_) DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }

private:
    HWND hwnd_ = nullptr;
};

// Pumps this thread's messages until `msg` arrives for `hwnd` or the timeout passes.
bool PumpUntil(HWND hwnd, UINT msg, DWORD timeoutMs, MSG* got) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.hwnd == hwnd && m.message == msg) {
                *got = m;
                return true;
            }
            DispatchMessageA(&m);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    return false;
}

TEST(WindowDelivery, RunningThreadPostsToARealWindow) {
    MessageWindow window;
    ASSERT_NE(window.Handle(), nullptr);
    plat::HwndTarget target(window.Handle());
    EventPool pool(16);
    EventQueue queue(pool);
    queue.Start();
    queue.PostEvent(&target, kTestMessage, 7, 9, RetryMode::UntilPosted, 0);
    MSG got = {};
    ASSERT_TRUE(PumpUntil(window.Handle(), kTestMessage, 10000, &got));
    EXPECT_EQ(got.wParam, 7u);
    EXPECT_EQ(got.lParam, 9);
    queue.Stop();
    EXPECT_EQ(pool.FreeCount(), 16);
}

TEST(WindowDelivery, DestroyedWindowFailsAsInvalidAndTheEventIsDropped) {
    MessageWindow window;
    ASSERT_NE(window.Handle(), nullptr);
    plat::HwndTarget target(window.Handle());
    window.Destroy();
    EXPECT_EQ(target.Post(kTestMessage, 0, 0), plat::kErrorInvalidWindowHandle);

    EventPool pool(16);
    EventQueue queue(pool);
    queue.PostEvent(&target, kTestMessage, 0, 0, RetryMode::UntilPosted, 0);  // mode 4 would otherwise retry forever
    EXPECT_TRUE(queue.DeliveryStep(GetTickCount()));
    EXPECT_EQ(queue.QueuedCount(), 0u);
    EXPECT_EQ(pool.FreeCount(), 16);
}

// Records the COM apartment of whichever thread calls it.
std::atomic<int> apartmentSeen{-1};

// The first single-threaded apartment of a process is reported as the main one.
bool IsSingleThreadedApartment(int type) { return type == APTTYPE_STA || type == APTTYPE_MAINSTA; }

APTTYPE CurrentApartment() {
    APTTYPE type = APTTYPE_CURRENT;
    APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
    return SUCCEEDED(CoGetApartmentType(&type, &qualifier)) ? type : APTTYPE_CURRENT;
}

class ApartmentProbe : public plat::MessageTarget {
public:
    bool HasHandle() const override { return true; }
    uint32_t Post(uint32_t, uintptr_t, intptr_t) override {
        apartmentSeen = CurrentApartment();
        return 0;
    }
};

bool ProbeApartment(void*) {
    apartmentSeen = CurrentApartment();
    return false;
}

TEST(WindowDelivery, BothThreadsLiveInASingleThreadedApartment) {
    ApartmentProbe probe;
    EventPool pool(16);
    EventQueue queue(pool);
    queue.Start();
    queue.PostEvent(&probe, kTestMessage, 0, 0, RetryMode::UntilPosted, 0);
    for (int i = 0; i < 500 && apartmentSeen == -1; ++i) Sleep(20);
    EXPECT_TRUE(IsSingleThreadedApartment(apartmentSeen)) << apartmentSeen;
    queue.Stop();

    apartmentSeen = -1;
    Scheduler scheduler(queue);
    scheduler.ScheduleMessage(kTestMessage, &probe, RetryMode::Drop, true, 25, ProbeApartment, nullptr);
    scheduler.Start();
    for (int i = 0; i < 500 && apartmentSeen == -1; ++i) Sleep(20);
    EXPECT_TRUE(IsSingleThreadedApartment(apartmentSeen)) << apartmentSeen;
    scheduler.Stop();
}

}  // namespace

}  // namespace ordersrv
