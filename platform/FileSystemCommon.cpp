#include "platform/FileSystem.h"

namespace plat {

bool IsPathDelimiter(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/' || c == ':';
#else
    return c == '/';
#endif
}

std::string WithTrailingDelimiter(const std::string& path) {
    if (path.empty() || path.back() == '/' || path.back() == kPathDelimiter) return path;
    return path + kPathDelimiter;
}

std::string FileNamePart(const std::string& path) {
    size_t i = path.size();
    while (i > 0 && !IsPathDelimiter(path[i - 1])) --i;
    return path.substr(i);
}

}  // namespace plat
