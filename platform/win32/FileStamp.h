#pragma once
// A listed file's stamp from the find data the listing holds anyway, "A" or "W".
#include <windows.h>

#include <cstdint>

#include "platform/FileSystem.h"

namespace plat {

inline int64_t FileTimeValue(const FILETIME& time) {
    return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) |
                                time.dwLowDateTime);
}

// A link's own size and time say nothing of the file it leads to: it stays unstamped, and is
// read every time.
template <typename FindData>
void StampFromListing(const FindData& data, FileStamp& stamp) {
    if (data.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) return;
    stamp.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.writeTime = FileTimeValue(data.ftLastWriteTime);
    stamp.known = true;
}

}  // namespace plat
