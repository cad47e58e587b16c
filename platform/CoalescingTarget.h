#pragma once
// A message target that folds repeated posts of chosen messages: while one of them waits in
// the receiver's queue, further posts of it are dropped (and reported as queued). A refresh
// request posted a thousand times then costs the receiver one handling, and other messages
// queued behind it (the drain's request) never wait behind a backlog. The receiver calls Taken()
// before it reads what the message announces, so nothing posted after that reading is lost.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "platform/MessageTarget.h"

namespace plat {

class CoalescingTarget : public MessageTarget {
public:
    static constexpr size_t kMaxFolded = 8;

    // Posts of the messages in `folded` are folded; every other message passes straight on.
    CoalescingTarget(MessageTarget& receiver, std::initializer_list<uint32_t> folded);

    bool HasHandle() const override { return receiver_.HasHandle(); }
    uint32_t Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;

    // The receiver is handling `msg`: the next post of it goes through again.
    void Taken(uint32_t msg);
    bool Pending(uint32_t msg) const;

private:
    struct Folded {
        uint32_t msg = 0;
        std::atomic<bool> pending{false};
    };
    Folded* Find(uint32_t msg);
    const Folded* Find(uint32_t msg) const;

    MessageTarget& receiver_;
    std::array<Folded, kMaxFolded> folded_;
    size_t count_ = 0;
};

}  // namespace plat
