#include "engine/Connection.h"

#include <cmath>

#include "engine/WindowMessages.h"
#include "platform/DateTime.h"

namespace ordersrv {

namespace {
double ShownSecond(double dateTime) { return std::floor(dateTime * 86400.0); }
}  // namespace

// The status line shows the time to the second: a host calling many times a second asks for
// one refresh per second, not one per call (the window folds the requests besides).
void Connection::NoteHostContact() {
    const double now = plat::NowDateTime();
    const double before = lastHostContact_.exchange(now);
    if (ShownSecond(now) != ShownSecond(before))
        window_.Post(WindowMessage::StatusChanged, 0, 0);
}

}  // namespace ordersrv
