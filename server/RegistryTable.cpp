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

bool NeedsShortPath(const std::string& path) { return path.find(' ') != std::string::npos; }

}  // namespace ordersrv
