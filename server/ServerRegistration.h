#pragma once
// The automation registration of the server: its type library and the keys under
// HKEY_CLASSES_ROOT that lead clients from the ProgID and the class identifier to the executable.
#include <windows.h>
#include <oaidl.h>

#include <string>

// Registers the type library with the executable as its file and the executable's folder as its
// help folder. Wine's marshaler finds a library only under locale 0, so the library's path is
// also recorded there. Throws TStartupError when the system refuses the library; false when
// the locale-0 key could not be written.
bool RegisterTypeLibrary(ITypeLib* library, const std::wstring& executablePath);

// Writes the seven keys in their order; false when a key could not be created or its value set
// (the rest are still written).
bool WriteServerKeys(const std::string& executablePath);

// Unregisters the type library and deletes the keys, children first; failures are passed over.
void UnregisterServer();

// The path LocalServer32 holds: the executable's full path, in its short form when it holds
// a blank.
std::string LocalServerPath(const std::string& executablePath);

// A GUID as registry text: upper-case hex with braces.
std::string GuidText(REFGUID guid);
