#include "engine/Engine.h"
#include "engine/WindowMessages.h"
#include "model/AsciiText.h"

void Engine::AddLogLine(const std::string& text) {
    {
        plat::LockGuard hold(logLock_);
        // Names and lines read from OUTGOING may hold control characters.
        logLines_.push_back(EscapeControlCharacters(text));
        // A file that keeps failing logs again at every scan; keep the newest lines only.
        while (logLines_.size() > kMaxLogLines) logLines_.pop_front();
    }
    PostToWindow(WindowMessage::LogLinesPending);
}

size_t Engine::LogLineCount() const {
    plat::LockGuard hold(logLock_);
    return logLines_.size();
}

bool Engine::LogLine(size_t index, std::string& line) const {
    plat::LockGuard hold(logLock_);
    if (index >= logLines_.size()) return false;
    line = logLines_[index];
    return true;
}
