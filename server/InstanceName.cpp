#include "server/InstanceName.h"

#include <cctype>

namespace ordersrv {

std::string ApplicationTitleFromPath(const std::string& executablePath) {
    const size_t slash = executablePath.find_last_of("\\/:");
    std::string title =
        slash == std::string::npos ? executablePath : executablePath.substr(slash + 1);
    const size_t dot = title.find('.');
    if (dot != std::string::npos) title.erase(dot);
    for (size_t i = 1; i < title.size(); ++i)
        title[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(title[i])));
    return title;
}

std::string InstanceMutexName(const std::string& executablePath) {
    return "PREVINST:" + ApplicationTitleFromPath(executablePath);
}

}  // namespace ordersrv
