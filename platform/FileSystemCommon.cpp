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

std::string ResolvePath(const std::string& base, const std::string& path) {
    if (path.empty() || base.empty()) return path;
    if (path[0] == '/' || path[0] == kPathDelimiter) return path;
#ifdef _WIN32
    if (path.size() >= 2 && path[1] == ':') return path;
#endif
    return WithTrailingDelimiter(base) + path;
}

bool MakeFolderTree(const std::string& path) {
    if (path.empty() || FolderExists(path)) return !path.empty();
    std::string parent = FolderPart(path);
    while (!parent.empty() && IsPathDelimiter(parent.back())) parent.pop_back();
    if (!parent.empty() && parent != path && !FolderExists(parent) && !MakeFolderTree(parent))
        return false;
    return MakeFolder(path);
}

std::string FolderPart(const std::string& path) {
    return path.substr(0, path.size() - FileNamePart(path).size());
}

std::string FileNamePart(const std::string& path) {
    size_t i = path.size();
    while (i > 0 && !IsPathDelimiter(path[i - 1])) --i;
    return path.substr(i);
}

}  // namespace plat
