#pragma once
// Runs copies of OrderSrv.exe in a folder of their own for out-of-process tests: settings file,
// NinjaTrader folder, registration, the instance mutex that shows whether a server runs, and
// what the running server's window shows. Paths and texts are UTF-8.
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"

namespace ordersrv {

class ServerFolder {
public:
    // Copies the server executable into `folder` and makes the NinjaTrader folder below it.
    ServerFolder(const std::string& serverExe, const std::string& folder);

    const std::string& Folder() const { return folder_; }
    const std::string& Executable() const { return executable_; }
    const std::string& NinjaTraderFolder() const { return ninjaTrader_; }
    std::string SettingsPath() const { return folder_ + "\\ORDERSRV.INI"; }

    // Settings naming the NinjaTrader folder, account SIM101.
    void WriteSettings(bool acceptOrders = true) const;
    std::string ReadSettings() const;
    // Writes a position file of account SIM101 into OUTGOING.
    void WritePositionFile(const std::string& symbol, const std::string& content) const;

    // Runs the server with the argument and waits for it; the exit code, or -1.
    int RunToEnd(const std::string& argument, DWORD timeoutMs = 60000) const;
    // Starts the server without waiting; the process handle (caller closes it).
    HANDLE Start(const std::string& argument) const;

private:
    std::string folder_, executable_, ninjaTrader_;
};

bool ServerIsRunning();
// Waits until no server holds the instance mutex; false after the timeout.
bool WaitForServerEnd(DWORD timeoutMs);
bool WaitForServerWindow(DWORD timeoutMs);
// Reads a key's default value below HKEY_CLASSES_ROOT; false when the key is missing.
bool ReadClassesRootDefault(const std::string& key, std::string& value);

// A control of the server whose main window this is, by its id (ui/ControlIds.h); null when
// there is none.
HWND FindServerControl(HWND serverWindow, int id);

// The lines of the Log page of the server whose main window this is, read across processes.
std::vector<std::string> ReadServerLog(HWND serverWindow);

// Answers the next message box with this title that appears within the timeout with `button`
// (IDOK, IDYES, IDNO); its text, or "" when none appeared.
std::string AnswerMessageBox(const char* title, int button, DWORD timeoutMs);

}  // namespace ordersrv
