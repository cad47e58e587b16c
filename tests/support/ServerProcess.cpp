#include "tests/support/ServerProcess.h"

#include <commctrl.h>

#include <fstream>
#include <sstream>

#include "platform/Scoped.h"
#include "ui/ControlIds.h"

namespace ordersrv {

namespace {

const char* const kInstanceMutex = "PREVINST:Ordersrv";

// Makes the folder and any missing parent: a clean build has none of the run folders yet.
void MakeFolder(const std::string& path) {
    for (size_t at = path.find_first_of("\\/", 3); at != std::string::npos;
         at = path.find_first_of("\\/", at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

// Makes the folder and removes the files an earlier run left in it.
void MakeEmptyFolder(const std::string& path) {
    MakeFolder(path);
    WIN32_FIND_DATAA found;
    const plat::FindHandle search(FindFirstFileA((path + "\\*").c_str(), &found));
    if (!search) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileA((path + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(search.Get(), &found));
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

}  // namespace

ServerFolder::ServerFolder(const std::string& serverExe, const std::string& folder)
    : folder_(testsupport::RunnablePath(folder)) {
    MakeFolder(folder_);
    executable_ = folder_ + "\\OrderSrv.exe";
    CopyFileA(testsupport::RunnablePath(serverExe).c_str(), executable_.c_str(), FALSE);
    ninjaTrader_ = folder_ + "\\nt";
    MakeFolder(ninjaTrader_);
    MakeEmptyFolder(ninjaTrader_ + "\\INCOMING");
    MakeEmptyFolder(ninjaTrader_ + "\\OUTGOING");
    // The orders an earlier test left in the journal would come back: each folder starts afresh.
    DeleteFileA((folder_ + "\\ORDERSRV-JOURNAL.TXT").c_str());
}

void ServerFolder::WriteSettings(bool acceptOrders) const {
    WriteFile(SettingsPath(), "Location=" + ninjaTrader_ + "\r\nAccount=SIM101\r\nAcceptOrders=" +
                                  (acceptOrders ? "1" : "0") + "\r\nStopToStopLimit=0\r\n");
}

std::string ServerFolder::ReadSettings() const {
    std::ifstream in(SettingsPath(), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

void ServerFolder::WritePositionFile(const std::string& symbol, const std::string& content) const {
    WriteFile(ninjaTrader_ + "\\OUTGOING\\" + symbol + " GLOBEX_SIM101_POSITION.TXT", content);
}

int ServerFolder::RunToEnd(const std::string& argument, DWORD timeoutMs) const {
    HANDLE process = Start(argument);
    if (!process) return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return static_cast<int>(code);
}

HANDLE ServerFolder::Start(const std::string& argument) const {
    return testsupport::StartProgram(executable_, argument);
}

bool ServerIsRunning() {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, kInstanceMutex);
    if (!mutex) return false;
    CloseHandle(mutex);
    return true;
}

bool WaitForServerEnd(DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        if (!ServerIsRunning()) return true;
        Sleep(50);
    }
    return !ServerIsRunning();
}

bool WaitForServerWindow(DWORD timeoutMs) {
    // The main window comes after the class object is published.
    const auto shown = [] { return FindWindowA("TNTOrderServerForm", nullptr) != nullptr; };
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        if (shown()) return true;
        Sleep(50);
    }
    return shown();
}

bool ReadClassesRootDefault(const std::string& key, std::string& value) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    char data[1024] = {};
    DWORD size = sizeof data - 1, type = 0;
    const LONG read =
        RegQueryValueExA(handle, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(handle);
    value = read == ERROR_SUCCESS ? data : "";
    return true;
}

namespace {

BOOL CALLBACK FindLogView(HWND child, LPARAM found) {
    if (GetDlgCtrlID(child) != ControlId::LogView) return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

}  // namespace

std::vector<std::string> ReadServerLog(HWND serverWindow) {
    std::vector<std::string> lines;
    HWND view = nullptr;
    EnumChildWindows(serverWindow, FindLogView, reinterpret_cast<LPARAM>(&view));
    DWORD processId = 0;
    if (!view || !GetWindowThreadProcessId(view, &processId)) return lines;
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process) return lines;
    // The list view writes the text into memory of its own process.
    constexpr SIZE_T kTextBytes = 2048;
    char* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + kTextBytes,
                                                     MEM_COMMIT, PAGE_READWRITE));
    const int count = static_cast<int>(SendMessageA(view, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; remote && i < count; ++i) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = remote + sizeof(LVITEMA);
        item.cchTextMax = kTextBytes;
        char text[kTextBytes] = {};
        if (WriteProcessMemory(process, remote, &item, sizeof item, nullptr) &&
            SendMessageA(view, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(remote)) >= 0 &&
            ReadProcessMemory(process, item.pszText, text, kTextBytes - 1, nullptr))
            lines.push_back(text);
    }
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return lines;
}

std::string AnswerMessageBox(const char* title, int button, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 50, Sleep(50)) {
        HWND box = FindWindowA("#32770", title);
        if (!box) continue;
        char text[1024] = {};
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the box's static text
        PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
        return text;
    }
    return std::string();
}

}  // namespace ordersrv
