#include "tests/support/ServerProcess.h"

#include <commctrl.h>

#include "platform/FileSystem.h"
#include "platform/Scoped.h"
#include "platform/win32/WideText.h"
#include "ui/ControlIds.h"

namespace ordersrv {

namespace {

const char* const kInstanceMutex = "PREVINST:Ordersrv";

// Makes the folder and any missing parent: a clean build has none of the run folders yet.
void MakeFolder(const std::string& path) {
    for (size_t at = path.find_first_of("\\/", 3); at != std::string::npos;
         at = path.find_first_of("\\/", at + 1))
        plat::MakeFolder(path.substr(0, at));
    plat::MakeFolder(path);
}

// Makes the folder and removes the files an earlier run left in it.
void MakeEmptyFolder(const std::string& path) {
    MakeFolder(path);
    std::vector<plat::FolderEntry> entries;
    plat::ListFolder(path, entries);
    for (const plat::FolderEntry& entry : entries)
        if (!entry.isFolder) plat::RemoveFile(path + "\\" + entry.name);
}

void WriteFile(const std::string& path, const std::string& content) {
    plat::WriteWholeFile(path, content);
}

bool IsAscii(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

ServerFolder::ServerFolder(const std::string& serverExe, const std::string& folder)
    : folder_(testsupport::RunnablePath(folder)) {
    MakeFolder(folder_);
    executable_ = folder_ + "\\OrderSrv.exe";
    CopyFileW(plat::WideText(testsupport::RunnablePath(serverExe)).c_str(),
              plat::WideText(executable_).c_str(), FALSE);
    ninjaTrader_ = folder_ + "\\nt";
    MakeFolder(ninjaTrader_);
    MakeEmptyFolder(ninjaTrader_ + "\\INCOMING");
    MakeEmptyFolder(ninjaTrader_ + "\\OUTGOING");
    // The orders an earlier test left in the journal would come back: each folder starts afresh.
    DeleteFileA((folder_ + "\\ORDERSRV-JOURNAL.TXT").c_str());
}

void ServerFolder::WriteSettings(bool acceptOrders) const {
    const std::string text = "Location=" + ninjaTrader_ + "\r\nAccount=SIM101\r\nAcceptOrders=" +
                             (acceptOrders ? "1" : "0") + "\r\nStopToStopLimit=0\r\n";
    // A folder named in letters beyond ASCII: UTF-8 after a byte-order mark, which any code page
    // reads back whole.
    WriteFile(SettingsPath(), IsAscii(text) ? text : "\xEF\xBB\xBF" + text);
}

std::string ServerFolder::ReadSettings() const {
    std::string content;
    plat::ReadWholeFile(SettingsPath(), content);
    return content;
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
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, plat::WideText(key).c_str(), 0, KEY_READ, &handle) !=
        ERROR_SUCCESS)
        return false;
    wchar_t data[1024] = {};
    DWORD size = sizeof data - sizeof(wchar_t), type = 0;
    const LONG read =
        RegQueryValueExW(handle, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(handle);
    value = read == ERROR_SUCCESS ? plat::Utf8Text(data) : "";
    return true;
}

namespace {

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK MatchControl(HWND child, LPARAM data) {
    auto* search = reinterpret_cast<ControlSearch*>(data);
    if (GetDlgCtrlID(child) != search->id) return TRUE;
    search->found = child;
    return FALSE;
}

}  // namespace

HWND FindServerControl(HWND serverWindow, int id) {
    ControlSearch search{id, nullptr};
    if (serverWindow) EnumChildWindows(serverWindow, MatchControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<std::string> ReadServerLog(HWND serverWindow) {
    std::vector<std::string> lines;
    HWND view = FindServerControl(serverWindow, ControlId::LogView);
    DWORD processId = 0;
    if (!view || !GetWindowThreadProcessId(view, &processId)) return lines;
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process) return lines;
    // The list view writes the text into memory of its own process.
    constexpr SIZE_T kTextChars = 2048;
    char* remote = static_cast<char*>(VirtualAllocEx(
        process, nullptr, sizeof(LVITEMW) + kTextChars * sizeof(wchar_t), MEM_COMMIT,
        PAGE_READWRITE));
    const int count = static_cast<int>(SendMessageW(view, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; remote && i < count; ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
        item.cchTextMax = kTextChars;
        wchar_t text[kTextChars] = {};
        if (WriteProcessMemory(process, remote, &item, sizeof item, nullptr) &&
            SendMessageW(view, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(remote)) >= 0 &&
            ReadProcessMemory(process, item.pszText, text, (kTextChars - 1) * sizeof(wchar_t),
                              nullptr))
            lines.push_back(plat::Utf8Text(text));
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
