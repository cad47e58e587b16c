#pragma once
// The registry keys of the automation server under HKEY_CLASSES_ROOT, in the order they are
// written; unregistration deletes them in the reverse order (children before parents).
#include <string>
#include <vector>

namespace ordersrv {

struct RegistryEntry {
    std::string key;           // below HKEY_CLASSES_ROOT
    std::string defaultValue;  // the key's default (unnamed) text value
};

inline const char* const kOrderServerProgId = "Quillmere.OrderServer";
inline const char* const kOrderServerDescription = "OrderServer Object";
inline const char* const kTypeLibraryVersionText = "1.0";

// clsid and libid as GUID text with braces; serverPath as LocalServer32 should hold it.
std::vector<RegistryEntry> ServerRegistryEntries(const std::string& clsid,
                                                  const std::string& libid,
                                                  const std::string& serverPath);

// The keys to delete on unregistration, children before parents.
std::vector<std::string> ServerRegistryKeysToDelete(const std::string& clsid);

// True when the path must be registered in its short form (it holds a blank).
bool NeedsShortPath(const std::string& path);

}  // namespace ordersrv
