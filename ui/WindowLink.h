#pragma once
// The way from the engine, the bridge and the workers to the main window: its handle as a
// message target, with refresh and scan requests folded so that at most one of each waits in its
// queue ahead of the drain's ProcessActions. Made before the window, which gives it its handle.
#include "engine/WindowMessages.h"
#include "platform/CoalescingTarget.h"
#include "platform/win32/HwndTarget.h"

namespace ordersrv {

struct WindowLink {
    plat::HwndTarget window;
    plat::CoalescingTarget target{window,
                                  {WindowMessage::OrdersChanged, WindowMessage::PositionsChanged,
                                   WindowMessage::LogLinesPending, WindowMessage::StatusChanged,
                                   WindowMessage::ScanOutgoing}};
};

}  // namespace ordersrv
