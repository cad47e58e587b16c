#include <string>

#include "engine/OrderServerEngine.h"
#include "engine/WindowMessages.h"
#include "platform/DateTime.h"
#include "workers/EventQueueThread.h"

namespace {

// Retry mode of the event queue thread: a failed post stays queued and is tried again.
constexpr int32_t kRetryUntilPosted = 4;

bool IsBlankOrControlChar(char c) { return static_cast<unsigned char>(c) <= 32; }

// Removes spaces and control characters (codes 32 and below) at both ends.
std::string TrimmedSetting(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && IsBlankOrControlChar(text[first])) ++first;
    while (last > first && IsBlankOrControlChar(text[last - 1])) --last;
    return text.substr(first, last - first);
}

}  // namespace

TOrderServerEngine::TOrderServerEngine(plat::MessageTarget& window, TasEventQueueThread& events)
    : window_(window), events_(events) {}

TOrderServerEngine::~TOrderServerEngine() = default;

void TOrderServerEngine::TakeSettingsFromControls(const std::string& location,
                                                  const std::string& account,
                                                  bool stopToStopLimit) {
    Settings.Location = TrimmedSetting(location);
    const std::string trimmedAccount = TrimmedSetting(account);
    // The account goes into every PLACE line as one field; a ";" or a line break would let
    // it add fields or instructions of its own.
    if (IsSafeInstructionField(trimmedAccount))
        Settings.Account = trimmedAccount;
    else
        AddLogLine("Settings: account <" + trimmedAccount +
                   "> refused: it holds a character an instruction line cannot carry");
    Settings.StopToStopLimit = stopToStopLimit;
}

void TOrderServerEngine::NoteHostContact() { lastHostContact_ = plat::NowDateTime(); }

void TOrderServerEngine::PostToWindow(uint32_t msg) { window_.Post(msg, 0, 0); }

void TOrderServerEngine::PostProcessActions(uint32_t delayMs) {
    events_.PostEvent(&window_, WindowMessage::ProcessActions, 0, 0, kRetryUntilPosted, delayMs);
}
