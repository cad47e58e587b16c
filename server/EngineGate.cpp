#include "server/EngineGate.h"

#include "engine/EngineError.h"

namespace ordersrv {

EngineGate::Pass::Pass(EngineGate& gate, std::chrono::milliseconds wait)
    : gate_(gate), engine_(gate.Enter(wait)) {}

EngineGate::Pass::~Pass() { gate_.Leave(); }

void EngineGate::Open(Engine& engine) {
    {
        std::lock_guard<std::mutex> hold(mutex_);
        if (closed_) return;
        engine_ = &engine;
    }
    changed_.notify_all();
}

void EngineGate::Close() {
    std::unique_lock<std::mutex> hold(mutex_);
    closed_ = true;
    changed_.notify_all();
    changed_.wait(hold, [this] { return inside_ == 0; });
    engine_ = nullptr;
}

Engine* EngineGate::Enter(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> hold(mutex_);
    changed_.wait_for(hold, wait, [this] { return closed_ || engine_ != nullptr; });
    if (closed_) throw EngineError(kServerClosingText);
    if (!engine_) throw EngineError(kServerNotReadyText);
    ++inside_;
    return engine_;
}

void EngineGate::Leave() {
    bool last;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        last = --inside_ == 0;
    }
    if (last) changed_.notify_all();
}

}  // namespace ordersrv
