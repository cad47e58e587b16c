#include "engine/EventLog.h"

#include "engine/WindowMessages.h"
#include "model/AsciiText.h"

namespace ordersrv {

void EventLog::Add(const std::string& text) {
    {
        plat::LockGuard hold(lock_);
        // Names and lines read from OUTGOING may hold control characters.
        lines_.push_back(EscapeControlCharacters(text));
        // A file that keeps failing logs again at every scan; keep the newest lines only.
        while (lines_.size() > kMaxLines) lines_.pop_front();
    }
    window_.Post(WindowMessage::LogLinesPending, 0, 0);
}

size_t EventLog::Count() const {
    plat::LockGuard hold(lock_);
    return lines_.size();
}

bool EventLog::Line(size_t index, std::string& line) const {
    plat::LockGuard hold(lock_);
    if (index >= lines_.size()) return false;
    line = lines_[index];
    return true;
}

}  // namespace ordersrv
