#include "server/EngineGate.h"

#include "engine/EngineError.h"

TEngineGate::TPass::TPass(TEngineGate& gate, std::chrono::milliseconds wait)
    : gate_(gate), engine_(gate.Enter(wait)) {}

TEngineGate::TPass::~TPass() { gate_.Leave(); }

void TEngineGate::Open(TOrderServerEngine& engine) {
    {
        std::lock_guard<std::mutex> hold(mutex_);
        if (closed_) return;
        engine_ = &engine;
    }
    changed_.notify_all();
}

void TEngineGate::Close() {
    std::unique_lock<std::mutex> hold(mutex_);
    closed_ = true;
    changed_.notify_all();
    changed_.wait(hold, [this] { return inside_ == 0; });
    engine_ = nullptr;
}

TOrderServerEngine* TEngineGate::Enter(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> hold(mutex_);
    changed_.wait_for(hold, wait, [this] { return closed_ || engine_ != nullptr; });
    if (closed_) throw TEngineError(kServerClosingText);
    if (!engine_) throw TEngineError(kServerNotReadyText);
    ++inside_;
    return engine_;
}

void TEngineGate::Leave() {
    bool last;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        last = --inside_ == 0;
    }
    if (last) changed_.notify_all();
}
