#pragma once
// The automation registration of the server: its type libraries and the keys that lead clients
// from the ProgID and the class identifier to the executable, machine-wide (HKEY_CLASSES_ROOT)
// or for the current user only (HKEY_CURRENT_USER\Software\Classes, which Windows merges into
// HKEY_CLASSES_ROOT for that user).
#include <windows.h>
#include <oaidl.h>

#include <string>

namespace ordersrv {

enum class RegistrationScope { Machine, User };

// What writing or removing the registration came to: everything, or all but what Windows
// refused; `refusal` names the first refused step and its error.
struct RegistrationOutcome {
    bool complete = true;
    std::string refusal;

    void Refused(const std::string& what);
};

// Registers the type library `library` (the executable's "TYPELIB" 1) and, in a 64-bit
// executable, the 32-bit one ("TYPELIB" 2, as "<exe>\2") for 32-bit hosts; the library's path
// under locale 0 too, where Wine's marshaler looks; the interface's keys in the 32-bit registry
// view, which Windows keeps apart; and the seven server keys. Writes all it can.
RegistrationOutcome RegisterServer(RegistrationScope scope, ITypeLib* library,
                                    const std::wstring& executablePath);

// Unregisters the type libraries and deletes every key registration wrote, children first.
// Keys already missing are passed over; a key that is there but cannot be deleted is refused.
RegistrationOutcome UnregisterServer(RegistrationScope scope);

// The path LocalServer32 holds (UTF-8): the executable's full path, in its short form when it
// holds a blank, quoted when that form holds one too.
std::string LocalServerPath(const std::wstring& executablePath);

// A GUID as registry text: upper-case hex with braces.
std::string GuidText(REFGUID guid);

}  // namespace ordersrv
