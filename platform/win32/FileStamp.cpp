#include "platform/win32/FileStamp.h"

#include "platform/Scoped.h"
#include "platform/win32/WideText.h"

namespace plat {

int64_t FileClockNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return FileTimeValue(now);
}

void StampEntry(const std::string&, FolderEntry&) {}

bool IdentifyFolder(const std::string& path, FolderIdentity& identity) {
    // Opened for its attributes alone and sharing everything: NinjaTrader may go on deleting,
    // renaming and writing in it.
    FileHandle folder(CreateFileW(WideText(path).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!folder || !GetFileInformationByHandle(folder.Get(), &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    identity.volume = info.dwVolumeSerialNumber;
    identity.index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

}  // namespace plat
