#include <string>

#include "engine/Engine.h"
#include "engine/WindowMessages.h"
#include "model/AsciiText.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "workers/EventQueue.h"

namespace {

// Retry mode of the event queue thread: a failed post stays queued and is tried again.
constexpr int32_t kRetryUntilPosted = 4;

}  // namespace

Engine::Engine(plat::MessageTarget& window, EventQueue& events)
    : window_(window), events_(events) {}

Engine::~Engine() = default;

void Engine::TakeSettingsFromControls(const std::string& location,
                                                  const std::string& account,
                                                  bool stopToStopLimit) {
    settings.Location = TrimBlanks(location);
    const std::string trimmedAccount = TrimBlanks(account);
    // The account goes into every PLACE line as one field; a ";" or a line break would let
    // it add fields or instructions of its own.
    if (IsSafeInstructionField(trimmedAccount))
        settings.Account = trimmedAccount;
    else
        AddLogLine("Settings: account <" + trimmedAccount +
                   "> refused: it holds a character an instruction line cannot carry");
    settings.StopToStopLimit = stopToStopLimit;
}

std::string Engine::NinjaTraderFolder() const {
    return plat::ResolvePath(homeFolder_, settings.Location);
}

void Engine::NoteHostContact() { lastHostContact_ = plat::NowDateTime(); }

void Engine::PostToWindow(uint32_t msg) { window_.Post(msg, 0, 0); }

void Engine::PostProcessActions(uint32_t delayMs) {
    events_.PostEvent(&window_, WindowMessage::ProcessActions, 0, 0, kRetryUntilPosted, delayMs);
}
