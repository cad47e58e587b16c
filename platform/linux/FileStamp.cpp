#include "platform/FileSystem.h"

#include <sys/stat.h>
#include <time.h>

namespace plat {

namespace {

int64_t FileTimeOf(const timespec& time) {
    return static_cast<int64_t>(time.tv_sec) * kFileTimeUnitsPerSecond + time.tv_nsec;
}

}  // namespace

int64_t FileClockNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return FileTimeOf(now);
}

void StampEntry(const std::string& folder, FolderEntry& entry) {
    if (entry.stamp.known || entry.isFolder) return;
    // Through a link, as the file is read.
    struct stat st {};
    if (stat((WithTrailingDelimiter(folder) + entry.name).c_str(), &st) != 0) return;
    entry.stamp.size = static_cast<uint64_t>(st.st_size);
    entry.stamp.writeTime = FileTimeOf(st.st_mtim);
    entry.stamp.known = true;
}

bool IdentifyFolder(const std::string& path, FolderIdentity& identity) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    identity.volume = static_cast<uint64_t>(st.st_dev);
    identity.index = static_cast<uint64_t>(st.st_ino);
    return true;
}

}  // namespace plat
