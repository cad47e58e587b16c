#include "server/ServerRegistration.h"

#include <oleauto.h>

#include <vector>

#include "server/Quillmere.h"
#include "server/RegistryTable.h"
#include "platform/Scoped.h"
#include "platform/win32/WideText.h"
#include "server/ComError.h"

namespace ordersrv {

namespace {

constexpr LCID kLibraryLocale = 0x409;
#ifdef _WIN64
constexpr bool kCarriesLibrary32 = true;  // "TYPELIB" 2
const char* const kOwnSystem = "win64";
constexpr REGSAM kOtherView = KEY_WOW64_32KEY;
#else
constexpr bool kCarriesLibrary32 = false;
const char* const kOwnSystem = "win32";
constexpr REGSAM kOtherView = KEY_WOW64_64KEY;
#endif
constexpr REGSAM kOwnView = 0;
// OLE Automation's marshaler, the proxy of every dual interface described by a type library.
const char* const kAutomationProxy = "{00020424-0000-0000-C000-000000000046}";

std::string LibraryKey() { return "TypeLib\\" + GuidText(LIBID_Quillmere) + "\\1.0"; }
std::string InterfaceKey() { return "Interface\\" + GuidText(IID_IOrderServer); }

// One registry value a registration writes.
struct RegistryValue {
    std::string key;
    std::string value;
    const char* name = nullptr;  // the key's default value when null
    REGSAM view = kOwnView;
};

// The classes key registration writes under, and how its refusals are named.
class ClassesRoot {
public:
    explicit ClassesRoot(RegistrationScope scope) : scope_(scope) {
        if (scope != RegistrationScope::User) return;
        error_ = RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Classes", 0, nullptr, 0,
                                 KEY_ALL_ACCESS, nullptr, userClasses_.Out(), nullptr);
    }
    ClassesRoot(const ClassesRoot&) = delete;
    ClassesRoot& operator=(const ClassesRoot&) = delete;

    // False, with the refusal noted, when the user's classes cannot be written at all.
    bool Ready(RegistrationOutcome& outcome) const {
        if (error_ == ERROR_SUCCESS) return true;
        outcome.Refused(Name() + " (error " + std::to_string(error_) + ")");
        return false;
    }
    HKEY Key() const { return userClasses_ ? userClasses_.Get() : HKEY_CLASSES_ROOT; }
    std::string Name() const {
        return scope_ == RegistrationScope::User ? "HKEY_CURRENT_USER\\Software\\Classes"
                                                  : "HKEY_CLASSES_ROOT";
    }

    void Write(const RegistryValue& entry, RegistrationOutcome& outcome) const {
        plat::RegistryKey key;
        LONG error = RegCreateKeyExA(Key(), entry.key.c_str(), 0, nullptr, 0,
                                     KEY_WRITE | entry.view, nullptr, key.Out(), nullptr);
        if (error == ERROR_SUCCESS)
            error = RegSetValueExA(key.Get(), entry.name, 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(entry.value.c_str()),
                                   static_cast<DWORD>(entry.value.size() + 1));
        if (error != ERROR_SUCCESS) Refuse(outcome, entry.key, error);
    }
    // Deleting a key that is not there is no refusal.
    void Delete(const std::string& key, RegistrationOutcome& outcome, REGSAM view = kOwnView) const {
        const LONG error = RegDeleteKeyExA(Key(), key.c_str(), view, 0);
        if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) Refuse(outcome, key, error);
    }
    void DeleteTree(const std::string& key, RegistrationOutcome& outcome) const {
        const LONG error = RegDeleteTreeA(Key(), key.c_str());
        if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) Refuse(outcome, key, error);
    }

private:
    void Refuse(RegistrationOutcome& outcome, const std::string& key, LONG error) const {
        outcome.Refused(Name() + "\\" + key + " (error " + std::to_string(error) + ")");
    }

    RegistrationScope scope_;
    plat::RegistryKey userClasses_;
    LONG error_ = ERROR_SUCCESS;
};

template <class Text>
Text FolderOf(const Text& path) {
    const size_t slash = path.find_last_of(typename Text::value_type('\\'));
    return slash == Text::npos ? Text() : path.substr(0, slash);
}

// What the system's type library registration writes for this library, in both registry
// views: a user's registration writes it key by key, since the system's own (Wine's even
// through RegisterTypeLibForUser) writes the interface's 32-bit view machine-wide.
std::vector<RegistryValue> SystemLibraryValues(ITypeLib* library, const std::string& executable) {
    std::string helpString = "Quillmere Library", flags = "8";
    plat::ScopedBstr documentation;
    if (SUCCEEDED(library->GetDocumentation(MEMBERID_NIL, nullptr, documentation.Out(), nullptr,
                                            nullptr)) && documentation.Get())
        helpString = plat::NarrowText(documentation.Get(), SysStringLen(documentation.Get()));
    TLIBATTR* attributes = nullptr;
    if (SUCCEEDED(library->GetLibAttr(&attributes))) {
        flags = std::to_string(attributes->wLibFlags | LIBFLAG_FHASDISKIMAGE);
        library->ReleaseTLibAttr(attributes);
    }
    const std::string key = LibraryKey();
    std::vector<RegistryValue> values = {
        {key, helpString},
        {key + "\\FLAGS", flags},
        {key + "\\HELPDIR", FolderOf(executable)},
        {key + "\\409\\" + kOwnSystem, executable},
    };
    for (const REGSAM view : {kOwnView, kOtherView}) {
        values.push_back({InterfaceKey(), "IOrderServer", nullptr, view});
        values.push_back({InterfaceKey() + "\\ProxyStubClsid", kAutomationProxy, nullptr, view});
        values.push_back({InterfaceKey() + "\\ProxyStubClsid32", kAutomationProxy, nullptr, view});
        values.push_back({InterfaceKey() + "\\TypeLib", GuidText(LIBID_Quillmere), nullptr, view});
        values.push_back({InterfaceKey() + "\\TypeLib", kTypeLibraryVersionText, "Version", view});
    }
    return values;
}

// What every registration adds to the system's: Wine's marshaler finds a library only under
// locale 0; 32-bit hosts read the 32-bit library ("<exe>\2" in a 64-bit executable); and the
// interface's keys in the other registry view, which Windows keeps apart.
std::vector<RegistryValue> ExtraLibraryValues(const std::string& executable) {
    const std::string key = LibraryKey();
    std::vector<RegistryValue> values = {{key + "\\0\\" + kOwnSystem, executable}};
    if (kCarriesLibrary32) {
        values.push_back({key + "\\409\\win32", executable + "\\2"});
        values.push_back({key + "\\0\\win32", executable + "\\2"});
    }
    values.push_back({InterfaceKey(), "IOrderServer", nullptr, kOtherView});
    values.push_back({InterfaceKey() + "\\ProxyStubClsid", kAutomationProxy, nullptr, kOtherView});
    values.push_back({InterfaceKey() + "\\ProxyStubClsid32", kAutomationProxy, nullptr, kOtherView});
    values.push_back({InterfaceKey() + "\\TypeLib", GuidText(LIBID_Quillmere), nullptr, kOtherView});
    values.push_back({InterfaceKey() + "\\TypeLib", kTypeLibraryVersionText, "Version", kOtherView});
    return values;
}

}  // namespace

void RegistrationOutcome::Refused(const std::string& what) {
    if (complete) refusal = what;
    complete = false;
}

std::string GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return plat::NarrowText(text, lstrlenW(text));
}

std::string LocalServerPath(const std::string& executablePath) {
    if (!NeedsShortPath(executablePath)) return executablePath;
    char shortPath[MAX_PATH];
    const DWORD length = GetShortPathNameA(executablePath.c_str(), shortPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return executablePath;
    return std::string(shortPath, length);
}

RegistrationOutcome RegisterServer(RegistrationScope scope, ITypeLib* library,
                                    const std::wstring& executablePath) {
    RegistrationOutcome outcome;
    const ClassesRoot root(scope);
    if (!root.Ready(outcome)) return outcome;
    const std::string executable = plat::NarrowText(executablePath);

    if (scope == RegistrationScope::Machine) {
        std::wstring file = executablePath, help = FolderOf(executablePath);
        const HRESULT hr = RegisterTypeLib(library, &file[0], &help[0]);
        if (FAILED(hr)) outcome.Refused(root.Name() + "\\" + LibraryKey() + " (" + HResultText(hr) + ")");
    } else {
        for (const RegistryValue& value : SystemLibraryValues(library, executable))
            root.Write(value, outcome);
    }
    for (const RegistryValue& value : ExtraLibraryValues(executable)) root.Write(value, outcome);

    for (const RegistryEntry& entry :
         ServerRegistryEntries(GuidText(CLSID_OrderServer), GuidText(LIBID_Quillmere),
                               LocalServerPath(executable)))
        root.Write({entry.key, entry.defaultValue}, outcome);
    return outcome;
}

RegistrationOutcome UnregisterServer(RegistrationScope scope) {
    RegistrationOutcome outcome;
    const ClassesRoot root(scope);
    if (!root.Ready(outcome)) return outcome;

    if (scope == RegistrationScope::Machine) {
        // The locale-0 entries go first, so that the system's unregistration finds the
        // library's version key otherwise empty and removes it.
        for (const char* system : {"\\win32", "\\win64", ""})
            root.Delete(LibraryKey() + "\\0" + system, outcome);
        UnRegisterTypeLib(LIBID_Quillmere, 1, 0, kLibraryLocale,
                          kCarriesLibrary32 ? SYS_WIN64 : SYS_WIN32);
    }
    // Whatever is left of the library (all of it for a user's registration, or when its file
    // has moved or gone and the system's unregistration could not read it).
    root.DeleteTree("TypeLib\\" + GuidText(LIBID_Quillmere), outcome);
    for (const REGSAM view : {kOtherView, kOwnView})
        for (const char* child : {"\\ProxyStubClsid", "\\ProxyStubClsid32", "\\TypeLib", ""})
            root.Delete(InterfaceKey() + child, outcome, view);

    for (const std::string& key : ServerRegistryKeysToDelete(GuidText(CLSID_OrderServer)))
        root.Delete(key, outcome);
    return outcome;
}

}  // namespace ordersrv
