#include "platform/FileSystem.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/Scoped.h"
#include "platform/win32/FileStamp.h"
#include "platform/win32/WideText.h"

namespace plat {


bool FileExists(const std::string& path) {
    const DWORD attr = GetFileAttributesW(WideText(path).c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    const DWORD attr = GetFileAttributesW(WideText(path).c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolder(const std::string& path) {
    return CreateDirectoryW(WideText(path).c_str(), nullptr) ||
           GetLastError() == ERROR_ALREADY_EXISTS;
}

bool ReadWholeFile(const std::string& path, std::string& content) {
    // Share everything, so a file NinjaTrader is still writing or deleting can be read.
    FileHandle file(CreateFileW(WideText(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || GetFileType(file.Get()) != FILE_TYPE_DISK) return false;
    content.clear();
    char buffer[65536];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file.Get(), buffer, sizeof buffer, &n, nullptr)) return false;
        if (n == 0) break;
        content.append(buffer, n);
    }
    return true;
}

bool ReadFileHead(const std::string& path, size_t maxBytes, std::string& content,
                  bool& complete) {
    FileHandle file(CreateFileW(WideText(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || GetFileType(file.Get()) != FILE_TYPE_DISK) return false;
    content.assign(maxBytes + 1, '\0');
    size_t done = 0;
    while (done < content.size()) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 30));
        if (!ReadFile(file.Get(), &content[done], chunk, &n, nullptr)) return false;
        if (n == 0) break;
        done += n;
    }
    complete = done <= maxBytes;
    content.resize(std::min(done, maxBytes));
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
    FileHandle file(CreateFileW(WideText(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    size_t done = 0;
    while (done < content.size()) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 30));
        if (!WriteFile(file.Get(), content.data() + done, chunk, &n, nullptr)) return false;
        done += n;
    }
    const bool flushed = FlushFileBuffers(file.Get()) != 0;
    return CloseHandle(file.Release()) != 0 && flushed;
}

bool ReplaceWholeFile(const std::string& path, const std::string& content) {
    const std::string temporary = path + ".tmp";
    if (WriteWholeFile(temporary, content) &&
        MoveFileExW(WideText(temporary).c_str(), WideText(path).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(WideText(temporary).c_str());
    return false;
}

bool MoveNoReplace(const std::string& from, const std::string& to) {
    const std::wstring source = WideText(from), target = WideText(to);
    return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const std::string& path) { return DeleteFileW(WideText(path).c_str()) != 0; }

bool LastWriteTime(const std::string& path, int64_t& time) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(WideText(path).c_str(), GetFileExInfoStandard, &data)) return false;
    time = static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                data.ftLastWriteTime.dwLowDateTime);
    return true;
}

bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
    const std::string pattern = WithTrailingDelimiter(folder) + "*.*";
    WIN32_FIND_DATAW data;
    // No short names, and the directory read in large pieces: a scan lists the folder ten
    // times a second.
    FindHandle find(FindFirstFileExW(WideText(pattern).c_str(), FindExInfoBasic, &data,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        const wchar_t* name = data.cFileName;
        if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
        FolderEntry entry;
        entry.name = Utf8Text(name);
        entry.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.hiddenOrSystem =
            (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
        StampFromListing(data, entry.stamp);
        entries.push_back(std::move(entry));
    } while (FindNextFileW(find.Get(), &data));
    return true;
}

std::string ExecutablePath() { return Utf8Text(ExecutablePathWide()); }

}  // namespace plat
