#include "platform/CoalescingTarget.h"

namespace plat {

CoalescingTarget::CoalescingTarget(MessageTarget& receiver, std::initializer_list<uint32_t> folded)
    : receiver_(receiver) {
    for (const uint32_t msg : folded)
        if (count_ < kMaxFolded) folded_[count_++].msg = msg;
}

CoalescingTarget::Folded* CoalescingTarget::Find(uint32_t msg) {
    for (size_t i = 0; i < count_; ++i)
        if (folded_[i].msg == msg) return &folded_[i];
    return nullptr;
}

const CoalescingTarget::Folded* CoalescingTarget::Find(uint32_t msg) const {
    return const_cast<CoalescingTarget*>(this)->Find(msg);
}

uint32_t CoalescingTarget::Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    Folded* folded = Find(msg);
    if (!folded) return receiver_.Post(msg, wParam, lParam);
    if (folded->pending.exchange(true)) return 0;  // one is already on its way
    const uint32_t error = receiver_.Post(msg, wParam, lParam);
    if (error != 0) folded->pending = false;  // none is on its way: the next post tries again
    return error;
}

void CoalescingTarget::Taken(uint32_t msg) {
    if (Folded* folded = Find(msg)) folded->pending = false;
}

bool CoalescingTarget::Pending(uint32_t msg) const {
    const Folded* folded = Find(msg);
    return folded && folded->pending;
}

}  // namespace plat
