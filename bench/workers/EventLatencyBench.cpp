// Delay from PostEvent (no delay asked) to the message reaching its receiver, through the
// running event queue thread: natively into an in-process queue, on Windows also a window.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/QueueTarget.h"
#include "workers/EventQueue.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/HwndTarget.h"
#endif

namespace ordersrv {

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kBenchMessage = 0x8000 + 77;  // WM_APP + 77

// Where the thread's posts land, and how the bench takes them back out.
class Receiver {
public:
    virtual ~Receiver() = default;
    virtual plat::MessageTarget& Target() = 0;
    // The index (wParam) of each message received within the timeout.
    virtual std::vector<uint32_t> Receive(std::chrono::milliseconds timeout) = 0;
};

class QueueReceiver : public Receiver {
public:
    plat::MessageTarget& Target() override { return target_; }
    std::vector<uint32_t> Receive(std::chrono::milliseconds timeout) override {
        std::vector<uint32_t> got;
        if (!target_.WaitForMessage(timeout)) return got;
        for (const testsupport::QueuedMessage& m : target_.TakeAll()) got.push_back(static_cast<uint32_t>(m.wParam));
        return got;
    }

private:
    testsupport::QueueTarget target_;
};

#ifdef _WIN32
class WindowReceiver : public Receiver {
public:
    WindowReceiver() {
        WNDCLASSA cls = {};
        cls.lpfnWndProc = DefWindowProcA;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.lpszClassName = "EventLatencyBench";
        RegisterClassA(&cls);
        hwnd_ = CreateWindowExA(0, cls.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                cls.hInstance, nullptr);
        target_.SetHandle(hwnd_);
    }
    ~WindowReceiver() override {
        if (hwnd_) DestroyWindow(hwnd_);
    }
    bool Ready() const { return hwnd_ != nullptr; }
    plat::MessageTarget& Target() override { return target_; }
    std::vector<uint32_t> Receive(std::chrono::milliseconds timeout) override {
        std::vector<uint32_t> got;
        if (!HasMessage()) MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(timeout.count()), QS_ALLINPUT);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == kBenchMessage) got.push_back(static_cast<uint32_t>(m.wParam));
            else DispatchMessageA(&m);
        }
        return got;
    }

private:
    static bool HasMessage() {
        MSG m;
        return PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE) != 0;
    }
    HWND hwnd_ = nullptr;
    plat::HwndTarget target_;
};
#endif

struct Figures {
    size_t count = 0;
    double p50 = 0, p99 = 0, max = 0;
};

Figures Summarise(std::vector<double> ms) {
    Figures f;
    f.count = ms.size();
    if (ms.empty()) return f;
    std::sort(ms.begin(), ms.end());
    const auto at = [&ms](double q) { return ms[std::min(ms.size() - 1, static_cast<size_t>(q * static_cast<double>(ms.size())))]; };
    f.p50 = at(0.50);
    f.p99 = at(0.99);
    f.max = ms.back();
    return f;
}

double MsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Posts `batches` times `batchSize` events, waiting a random 0-25 ms before each batch so the
// posts fall anywhere in the thread's idle sleep, and times each event until it is received.
std::vector<double> Measure(EventQueue& queue, Receiver& receiver, int batches, int batchSize) {
    std::mt19937 random(7);
    std::vector<double> latencies;
    std::vector<Clock::time_point> postedAt(static_cast<size_t>(batchSize));
    for (int batch = 0; batch < batches; ++batch) {
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 26));
        for (int i = 0; i < batchSize; ++i) {
            postedAt[static_cast<size_t>(i)] = Clock::now();
            queue.PostEvent(&receiver.Target(), kBenchMessage, static_cast<uint32_t>(i), 0, RetryMode::UntilPosted, 0);
        }
        int received = 0;
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (received < batchSize && Clock::now() < deadline) {
            const std::vector<uint32_t> got = receiver.Receive(std::chrono::milliseconds(100));
            const Clock::time_point now = Clock::now();
            for (uint32_t index : got) {
                if (index < postedAt.size()) latencies.push_back(MsBetween(postedAt[index], now));
                ++received;
            }
        }
    }
    return latencies;
}

void PrintRow(const std::string& receiver, const std::string& load, const Figures& f) {
    std::printf("%-14s %-22s %6zu %9.2f %9.2f %9.2f\n", receiver.c_str(), load.c_str(), f.count, f.p50,
                f.p99, f.max);
}

void Run(const std::string& name, Receiver& receiver) {
    EventPool pool;
    EventQueue queue(pool);
    queue.Start();
    PrintRow(name, "single events", Summarise(Measure(queue, receiver, 1000, 1)));
    PrintRow(name, "bursts of 100", Summarise(Measure(queue, receiver, 10, 100)));
    queue.Stop();
}

}  // namespace

}  // namespace ordersrv

using namespace ordersrv;

int main() {
    std::printf("Event queue thread: PostEvent (delay 0) to receipt, milliseconds\n");
    std::printf("%-14s %-22s %6s %9s %9s %9s\n", "receiver", "load", "events", "p50", "p99", "max");
    QueueReceiver queueReceiver;
    Run("queue target", queueReceiver);
#ifdef _WIN32
    WindowReceiver windowReceiver;
    if (windowReceiver.Ready()) Run("window", windowReceiver);
    else std::printf("window         (could not create a window)\n");
#endif
    return 0;
}
