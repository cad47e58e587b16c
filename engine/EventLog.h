#pragma once
// The log lines of the run, oldest first, as the Log page shows them: added from any thread,
// each announced to the window by LogLinesPending (folded while one is on its way).
#include <cstddef>
#include <deque>
#include <string>

#include "platform/MessageTarget.h"
#include "platform/ReentrantLock.h"

namespace ordersrv {

class EventLog {
public:
    static constexpr size_t kMaxLines = 100000;  // oldest lines go beyond this

    explicit EventLog(plat::MessageTarget& window) : window_(window) {}

    // Control characters of the text are shown escaped. Any thread.
    void Add(const std::string& text);
    size_t Count() const;
    bool Line(size_t index, std::string& line) const;  // false past the end

private:
    plat::MessageTarget& window_;
    mutable plat::ReentrantLock lock_;
    std::deque<std::string> lines_;
};

}  // namespace ordersrv
