// OrderSrv.exe: start-up of the order server, the single-instance rule, its automation
// registration and the rules by which the process ends.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/Scoped.h"
#include "platform/win32/WideText.h"
#include "server/ComError.h"
#include "server/EngineGate.h"
#include "server/InstanceName.h"
#include "server/OrderServerFactory.h"
#include "server/ServerLifetime.h"
#include "server/ServerPieces.h"
#include "server/ServerRegistration.h"
#include "server/ServerTypeInfo.h"
#include "server/SingleInstance.h"
#include "server/StartMode.h"
#include "server/StartupError.h"
#include "workers/Workers.h"

namespace ordersrv {

namespace {

// What the objects of the process share; outlives the apartment, since objects that clients
// still hold are only released when the apartment ends.
struct ProcessParts {
    ServerTypeInfo types;
    EngineGate gate;
    ServerLifetime lifetime;
    EventHub events;
};

std::vector<std::string> CommandLineArguments() {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!words) return arguments;
    const plat::ScopeExit freeWords([words] { LocalFree(words); });
    for (int i = 1; i < count; ++i)
        arguments.push_back(plat::Utf8Text(words[i]));
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

void ShowStartupError(const std::string& name, const std::string& message) {
    const std::wstring text = plat::WideText(name + "\r\n\r\n" + message);
    MessageBoxW(nullptr, text.c_str(), L"Application Error", MB_ICONERROR | MB_TASKMODAL);
}

// Gives the main thread its message queue before any object can post the quit request to it.
void EnsureMessageQueue() {
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
}

// Wide, so that characters typed into the Settings page's boxes reach them whole, whatever
// the system's code page.
void RunMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        try {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        } catch (...) {
            // An error that escapes a handler must not end the server.
        }
    }
}

// Registration and, unless the start mode only updates the registry, the run of the server.
int RunServer(HINSTANCE instance, StartMode mode, ProcessParts& process) {
    const std::wstring executable = plat::ExecutablePathWide();
    const HRESULT loaded = process.types.Load(executable);
    if (FAILED(loaded))
        throw StartupError("Type library not loaded (" + HResultText(loaded) + ")",
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
        RegisterServer(scope, process.types.Library(), executable);
    if (mode == StartMode::Register || mode == StartMode::RegisterPerUser) {
        if (!registration.complete)
            throw StartupError("Registration failed",
                                std::string(kRegistryErrorText) + ": " + registration.refusal);
        return 0;
    }

    EnsureMessageQueue();
    process.lifetime.Configure(mode == StartMode::Automation, GetCurrentThreadId());
    OrderServerFactory factory({process.types, process.gate, process.lifetime, process.events});
    ClassObjectRegistration publication;
    const HRESULT published = publication.Publish(factory);
    if (FAILED(published))
        throw StartupError("Class object not registered (" + HResultText(published) + ")",
                           "The OrderServer class could not be made available to clients.");

    ServerPieces server(ProcessEventQueue());
    // No call may reach the engine on its way out, however the run ends.
    const plat::ScopeExit closeGate([&process] { process.gate.Close(); });
    if (!registration.complete)
        server.engine.log.Add("Registration incomplete: " + registration.refusal +
                              " refused. Hosts may not find this server: register it once with "
                              "/RegServer as administrator, or with /RegServerPerUser");
    if (!server.Start(instance, plat::Utf8Text(executable), ProcessScheduler()))
        throw StartupError("Main window not created", "The main window could not be created.");
    MainWindow& window = *server.window;
    ServerLifetime& lifetime = process.lifetime;
    window.mayEndApplication = [&window, &lifetime] {
        return ConfirmEndWithLiveObjects(lifetime, window.Handle());
    };
    // The session's end ends the process right after: no host call may queue an order the end
    // would not write.
    EngineGate& gate = process.gate;
    window.sessionEnding = [&gate, &server] {
        gate.Close();
        server.FinishRun();
    };
    // Host calls come in once everything stands; events stop before the engine goes.
    process.events.Attach(server.engine);
    const plat::ScopeExit stopEvents([&process] { process.events.Detach(); });
    process.gate.Open(server.engine);

    RunMessageLoop();

    // Calls from now on answer that the server is closing; what was accepted before goes out.
    process.gate.Close();
    server.FinishRun();
    publication.Revoke();
    process.lifetime.DisconnectClients();
    return 0;
}

}  // namespace

}  // namespace ordersrv

using namespace ordersrv;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const std::wstring executable = plat::ExecutablePathWide();
    const std::string executableText = plat::Utf8Text(executable);
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
        const plat::ComApartment apartment(plat::ComApartment::MultiThreaded);
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
    process.types.Release();
    StopWorkers();
    instanceMutex.Close();
    return exitCode;
}
