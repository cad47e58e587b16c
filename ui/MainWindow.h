#pragma once
// The main window MainWindow: owns the engine and the file bridge, routes the window
// messages to them, and is the monitor the trader sees (tray icon, status, pages).
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "bridge/FileBridge.h"
#include "engine/Engine.h"
#include "platform/win32/HwndTarget.h"

class EventQueue;
class Scheduler;

class MainWindow : public EngineView {
public:
    static constexpr const char* kWindowClassName = "TNTOrderServerForm";
    static constexpr const char* kCaption = "Halvenmar Order Server (NT)";

    // Creates the window and runs every creation step (engine, settings, tray icon, folder
    // test, Connect, the 100 ms scan job). Returns null when the window cannot be created.
    static std::unique_ptr<MainWindow> Create(HINSTANCE instance,
                                                      EventQueue& events,
                                                      Scheduler& scheduler);
    ~MainWindow() override;

    HWND Handle() const;
    Engine& engine();
    FileBridge& bridge();

    // Asked after the user confirmed the close and the settings were saved; false keeps the
    // application running (the automation server asks about clients that still hold objects).
    std::function<bool()> MayEndApplication;

    void ControlsToSettings() override;
    void RefreshStatus() override;
    void SettingsToControls();

    // Shows the window from the notification area, and hides it from the taskbar when minimised.
    void RestoreWindow();
    void HideTaskbarButton();

    // The notification-area icon: the ready picture or the not-ready one, and the tip's text.
    void UpdateTrayIcon(bool ready, const std::string& text);
    bool TrayIconShown() const;
    bool TrayShowsReadyIcon() const;
    std::string TrayTip() const;

    struct Impl;  // the inside, known only to the window's own source files

private:
    MainWindow();
    std::unique_ptr<Impl> impl_;
};
