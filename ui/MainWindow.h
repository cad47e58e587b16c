#pragma once
// The main window TNTOrderServerForm: owns the engine and the file bridge, routes the window
// messages to them, and is the monitor the trader sees (tray icon, status, pages).
#include <windows.h>

#include <functional>
#include <memory>

#include "bridge/FileBridge.h"
#include "engine/OrderServerEngine.h"
#include "platform/win32/HwndTarget.h"

class TasEventQueueThread;
class TasSchedulerThread;

class TNTOrderServerForm : public IEngineView {
public:
    // Creates the window and runs every creation step (engine, settings, tray icon, folder
    // test, Connect, the 100 ms scan job). Returns null when the window cannot be created.
    static std::unique_ptr<TNTOrderServerForm> Create(HINSTANCE instance,
                                                      TasEventQueueThread& events,
                                                      TasSchedulerThread& scheduler);
    ~TNTOrderServerForm() override;

    HWND Handle() const;
    TOrderServerEngine& Engine();
    TFileBridge& Bridge();

    // Asked after the user confirmed the close and the settings were saved; false keeps the
    // application running (the automation server asks about clients that still hold objects).
    std::function<bool()> MayEndApplication;

    void ControlsToSettings() override;
    void RefreshStatus() override;

private:
    TNTOrderServerForm();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
