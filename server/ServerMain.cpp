// OrderSrv.exe: start-up of the order server, the single-instance rule, its automation
// registration and the rules by which the process ends.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "server/EngineGate.h"
#include "server/InstanceName.h"
#include "server/OrderServerFactory.h"
#include "server/ServerLifetime.h"
#include "server/ServerRegistration.h"
#include "server/ServerTypeInfo.h"
#include "server/SingleInstance.h"
#include "server/StartMode.h"
#include "server/StartupError.h"
#include "server/VariantText.h"
#include "ui/MainWindow.h"
#include "workers/Workers.h"

namespace {

// What the objects of the process share; outlives the apartment, since objects that clients
// still hold are only released when the apartment ends.
struct ProcessParts {
    ServerTypeInfo Types;
    EngineGate Gate;
    ServerLifetime Lifetime;
};

class ComApartment {
public:
    ComApartment() : joined_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~ComApartment() {
        if (joined_) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool joined_;
};

// Closes the gate however the server's run ends: no call may reach an engine on its way out.
class GateCloser {
public:
    explicit GateCloser(EngineGate& gate) : gate_(gate) {}
    ~GateCloser() { gate_.Close(); }
    GateCloser(const GateCloser&) = delete;
    GateCloser& operator=(const GateCloser&) = delete;

private:
    EngineGate& gate_;
};

std::wstring ExecutablePathWide() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::vector<std::string> CommandLineArguments() {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!words) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(NarrowText(words[i], lstrlenW(words[i])));
    LocalFree(words);
    return arguments;
}

// So the system does not replace a window that stops responding with a ghost of its own;
// looked up at run time as older systems lack it.
void DisableWindowsGhosting() {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    if (!user32) return;
    FARPROC found = GetProcAddress(user32, "DisableProcessWindowsGhosting");
    if (!found) return;
    using DisableGhostingFunction = void(WINAPI*)();
    reinterpret_cast<DisableGhostingFunction>(reinterpret_cast<void (*)()>(found))();
}

std::string HexCode(HRESULT hr) {
    char text[16];
    wsprintfA(text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

void ShowStartupError(const std::string& name, const std::string& message) {
    const std::string text = name + "\r\n\r\n" + message;
    MessageBoxA(nullptr, text.c_str(), "Application Error", MB_ICONERROR | MB_TASKMODAL);
}

// Gives the main thread its message queue before any object can post the quit request to it.
void EnsureMessageQueue() {
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
}

void RunMessageLoop() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        try {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } catch (...) {
            // An error that escapes a handler must not end the server.
        }
    }
}

// Registration and, unless the start mode only updates the registry, the run of the server.
int RunServer(HINSTANCE instance, StartMode mode, ProcessParts& process) {
    const std::wstring executable = ExecutablePathWide();
    const HRESULT loaded = process.Types.Load(executable);
    if (FAILED(loaded))
        throw StartupError("Type library not loaded (" + HexCode(loaded) + ")",
                            "The type library could not be loaded from the executable.");

    const RegistrationScope scope =
        mode == StartMode::RegisterPerUser || mode == StartMode::UnregisterPerUser
            ? RegistrationScope::User
            : RegistrationScope::Machine;
    if (mode == StartMode::Unregister || mode == StartMode::UnregisterPerUser) {
        const RegistrationOutcome removed = UnregisterServer(scope);
        if (!removed.complete)
            throw StartupError("Unregistration failed",
                                std::string(kRegistryErrorText) + ": " + removed.refusal);
        return 0;
    }
    // Every start registers what it can. Only a registration request fails on a refusal: a
    // standard user's start (or one COM makes for a host) runs on and says so in the log.
    const RegistrationOutcome registration =
        RegisterServer(scope, process.Types.Library(), executable);
    if (mode == StartMode::Register || mode == StartMode::RegisterPerUser) {
        if (!registration.complete)
            throw StartupError("Registration failed",
                                std::string(kRegistryErrorText) + ": " + registration.refusal);
        return 0;
    }

    EnsureMessageQueue();
    process.Lifetime.Configure(mode == StartMode::Automation, GetCurrentThreadId());
    GateCloser closeGateAtEnd(process.Gate);
    OrderServerFactory factory({process.Types, process.Gate, process.Lifetime});
    ClassObjectRegistration publication;
    const HRESULT published = publication.Publish(factory);
    if (FAILED(published))
        throw StartupError("Class object not registered (" + HexCode(published) + ")",
                            "The OrderServer class could not be made available to clients.");

    std::unique_ptr<MainWindow> form =
        MainWindow::Create(instance, ProcessEventQueue(), ProcessScheduler());
    if (!form)
        throw StartupError("Main window not created", "The main window could not be created.");
    MainWindow* window = form.get();
    ServerLifetime& lifetime = process.Lifetime;
    form->MayEndApplication = [window, &lifetime] {
        return ConfirmEndWithLiveObjects(lifetime, window->Handle());
    };
    if (!registration.complete)
        form->engine().AddLogLine("Registration incomplete: " + registration.refusal +
                                  " refused. Hosts may not find this server: register it once "
                                  "with /RegServer as administrator, or with /RegServerPerUser");
    process.Gate.Open(form->engine());

    RunMessageLoop();

    process.Gate.Close();
    publication.Revoke();
    form.reset();
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const std::wstring executable = ExecutablePathWide();
    const std::string executableText = NarrowText(executable.c_str(), executable.size());
    InstanceMutex instanceMutex(InstanceMutexName(executableText));
    StartWorkers();
    const StartMode mode = StartModeFromArguments(CommandLineArguments());
    if (!instanceMutex.IsFirstInstance()) {
        ActivatePreviousInstance(ApplicationTitleFromPath(executableText));
        StopWorkers();
        return 0;
    }

    ProcessParts process;
    int exitCode = 0;
    {
        ComApartment apartment;
        DisableWindowsGhosting();
        try {
            exitCode = RunServer(instance, mode, process);
        } catch (const StartupError& e) {
            ShowStartupError(e.Name(), e.what());
            exitCode = 1;
        } catch (const std::exception& e) {
            ShowStartupError("Start-up failed", e.what());
            exitCode = 1;
        }
    }
    process.Types.Release();
    StopWorkers();
    instanceMutex.Close();
    return exitCode;
}
