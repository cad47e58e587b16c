#include "server/ServerRegistration.h"

#include <oleauto.h>

#include "server/Quillmere.h"
#include "server/RegistryTable.h"
#include "server/StartupError.h"
#include "server/VariantHostText.h"

namespace {

#ifdef _WIN64
constexpr SYSKIND kTargetSystem = SYS_WIN64;
const char* const kTargetSystemKey = "win64";
#else
constexpr SYSKIND kTargetSystem = SYS_WIN32;
const char* const kTargetSystemKey = "win32";
#endif
constexpr LCID kLibraryLocale = 0x409;

std::string NeutralLocaleKey() { return "TypeLib\\" + GuidText(LIBID_Quillmere) + "\\1.0\\0"; }

bool SetKeyDefault(const std::string& key, const std::string& value) {
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        &handle, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG written =
        RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
    return written == ERROR_SUCCESS;
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::string HexCode(HRESULT hr) {
    char text[16];
    wsprintfA(text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

}  // namespace

std::string GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return NarrowText(text, lstrlenW(text));
}

std::string LocalServerPath(const std::string& executablePath) {
    if (!NeedsShortPath(executablePath)) return executablePath;
    char shortPath[MAX_PATH];
    const DWORD length = GetShortPathNameA(executablePath.c_str(), shortPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return executablePath;
    return std::string(shortPath, length);
}

bool RegisterTypeLibrary(ITypeLib* library, const std::wstring& executablePath) {
    std::wstring path = executablePath, helpFolder = FolderOf(executablePath);
    const HRESULT hr = RegisterTypeLib(library, &path[0], &helpFolder[0]);
    if (FAILED(hr))
        throw TStartupError("Type library registration failed (" + HexCode(hr) + ")",
                            "The type library could not be registered.");
    return SetKeyDefault(NeutralLocaleKey() + "\\" + kTargetSystemKey,
                         NarrowText(executablePath.c_str(), executablePath.size()));
}

bool WriteServerKeys(const std::string& executablePath) {
    bool allWritten = true;
    for (const TRegistryEntry& entry :
         ServerRegistryEntries(GuidText(CLSID_OrderServer), GuidText(LIBID_Quillmere),
                               LocalServerPath(executablePath)))
        allWritten = SetKeyDefault(entry.Key, entry.DefaultValue) && allWritten;
    return allWritten;
}

void UnregisterServer() {
    // The locale-0 entry goes first, so that the system's unregistration finds the library's
    // version key otherwise empty and removes it.
    RegDeleteKeyA(HKEY_CLASSES_ROOT, (NeutralLocaleKey() + "\\" + kTargetSystemKey).c_str());
    RegDeleteKeyA(HKEY_CLASSES_ROOT, NeutralLocaleKey().c_str());
    UnRegisterTypeLib(LIBID_Quillmere, 1, 0, kLibraryLocale, kTargetSystem);
    for (const std::string& key : ServerRegistryKeysToDelete(GuidText(CLSID_OrderServer)))
        RegDeleteKeyA(HKEY_CLASSES_ROOT, key.c_str());
}
