#include "server/RegistryTable.h"

namespace ordersrv {

namespace {

std::string ClassKey(const std::string& clsid) { return "CLSID\\" + clsid; }

}  // namespace

std::vector<RegistryEntry> ServerRegistryEntries(const std::string& clsid,
                                                  const std::string& libid,
                                                  const std::string& serverPath) {
    const std::string classKey = ClassKey(clsid);
    const std::string progId = kOrderServerProgId;
    return {
        {classKey, kOrderServerDescription},
        {classKey + "\\LocalServer32", serverPath},
        {progId, kOrderServerDescription},
        {progId + "\\Clsid", clsid},
        {classKey + "\\ProgID", progId},
        {classKey + "\\Version", kTypeLibraryVersionText},
        {classKey + "\\TypeLib", libid},
    };
}

std::vector<std::string> ServerRegistryKeysToDelete(const std::string& clsid) {
    const std::string classKey = ClassKey(clsid);
    const std::string progId = kOrderServerProgId;
    return {classKey + "\\TypeLib", classKey + "\\Version", classKey + "\\ProgID",
            progId + "\\Clsid",     progId,                 classKey + "\\LocalServer32",
            classKey};
}

std::string LocalServerValue(const std::string& path, const std::string& shortPath) {
    const auto hasBlank = [](const std::string& text) {
        return text.find(' ') != std::string::npos;
    };
    if (!hasBlank(path)) return path;
    if (!shortPath.empty() && !hasBlank(shortPath)) return shortPath;
    return '"' + path + '"';
}

}  // namespace ordersrv
