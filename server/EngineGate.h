#pragma once
// The door between host calls and the engine. Host calls can arrive as soon as the class object
// is published, before the main window has built the engine, and objects that clients still
// hold can be called while the process ends. A call passes the gate only while the engine is
// fully built; the gate closes before the engine goes, once every call inside has left.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace ordersrv {

class Engine;

inline const char* const kServerNotReadyText = "The order server is not ready";
inline const char* const kServerClosingText = "The order server is closing";

class EngineGate {
public:
    static constexpr std::chrono::milliseconds kDefaultWait{10000};

    // One host call inside the gate; leaving the scope lets the gate close.
    class Pass {
    public:
        explicit Pass(EngineGate& gate, std::chrono::milliseconds wait = kDefaultWait);
        ~Pass();
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;
        Engine& engine() const { return *engine_; }

    private:
        EngineGate& gate_;
        Engine* engine_;
    };

    // The engine is built: waiting and later calls go through.
    void Open(Engine& engine);
    // Refuses new calls, then waits until the calls inside have left. Final.
    void Close();

private:
    // Throws EngineError (not ready / closing) when the call cannot pass.
    Engine* Enter(std::chrono::milliseconds wait);
    void Leave();

    std::mutex mutex_;
    std::condition_variable changed_;
    Engine* engine_ = nullptr;
    bool closed_ = false;
    int inside_ = 0;
};

}  // namespace ordersrv
