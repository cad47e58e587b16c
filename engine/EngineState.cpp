#include <string>

#include "engine/OrderServerEngine.h"
#include "engine/WindowMessages.h"
#include "model/AsciiText.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "workers/EventQueueThread.h"

namespace {

// Retry mode of the event queue thread: a failed post stays queued and is tried again.
constexpr int32_t kRetryUntilPosted = 4;

}  // namespace

TOrderServerEngine::TOrderServerEngine(plat::MessageTarget& window, TasEventQueueThread& events)
    : window_(window), events_(events) {}

TOrderServerEngine::~TOrderServerEngine() = default;

void TOrderServerEngine::TakeSettingsFromControls(const std::string& location,
                                                  const std::string& account,
                                                  bool stopToStopLimit) {
    Settings.Location = TrimBlanks(location);
    const std::string trimmedAccount = TrimBlanks(account);
    // The account goes into every PLACE line as one field; a ";" or a line break would let
    // it add fields or instructions of its own.
    if (IsSafeInstructionField(trimmedAccount))
        Settings.Account = trimmedAccount;
    else
        AddLogLine("Settings: account <" + trimmedAccount +
                   "> refused: it holds a character an instruction line cannot carry");
    Settings.StopToStopLimit = stopToStopLimit;
}

std::string TOrderServerEngine::NinjaTraderFolder() const {
    return plat::ResolvePath(homeFolder_, Settings.Location);
}

void TOrderServerEngine::NoteHostContact() { lastHostContact_ = plat::NowDateTime(); }

void TOrderServerEngine::PostToWindow(uint32_t msg) { window_.Post(msg, 0, 0); }

void TOrderServerEngine::PostProcessActions(uint32_t delayMs) {
    events_.PostEvent(&window_, WindowMessage::ProcessActions, 0, 0, kRetryUntilPosted, delayMs);
}
