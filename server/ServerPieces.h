#pragma once
// The pieces of a running order server, wired in their order: the link to the main window, the
// engine reporting what changed through it, the drain, the scan and the watch that brings it
// forward, and the main window that routes their messages. The window goes first when the
// pieces go.
#include <windows.h>

#include <memory>
#include <string>

#include "bridge/InstructionWriter.h"
#include "bridge/OutgoingScanner.h"
#include "bridge/OutgoingWatch.h"
#include "engine/Engine.h"
#include "ui/MainWindow.h"
#include "ui/WindowLink.h"

namespace ordersrv {

class EventQueue;
class Scheduler;

struct ServerPieces {
    explicit ServerPieces(EventQueue& events)
        : engine(link.target, events), writer(engine), scanner(engine, writer), watch(engine) {}
    ~ServerPieces() { window.reset(); }
    ServerPieces(const ServerPieces&) = delete;
    ServerPieces& operator=(const ServerPieces&) = delete;

    // Starts the engine from the settings beside the executable, then creates the window
    // (which connects and registers the scan); false when the window cannot be created.
    bool Start(HINSTANCE instance, const std::string& executablePath, Scheduler& scheduler) {
        engine.Start(executablePath);
        window = MainWindow::Create(instance, {engine, writer, scanner, watch, link, scheduler});
        if (window) window->sessionEnding = [this] { FinishRun(); };
        return window != nullptr;
    }

    // The end of the run, however it comes (the last release, Exit, the session's end), once no
    // host call can queue anything more: the orders accepted so far go out now, or are reported
    // as never sent; none dies silently with the process.
    void FinishRun() {
        writer.DrainBeforeEnd();
        engine.journal.Sync();
    }

    WindowLink link;
    Engine engine;
    InstructionWriter writer;
    OutgoingScanner scanner;
    OutgoingWatch watch;  // brings the scan forward when OUTGOING changes
    std::unique_ptr<MainWindow> window;
};

}  // namespace ordersrv
