#include "platform/FileSystem.h"

#include <windows.h>

#include <algorithm>

namespace plat {

namespace {

// Closes a Win32 file handle when it goes out of scope.
class FileHandle {
public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle() {
        if (valid()) CloseHandle(h_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }
    bool Close() {
        const HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return CloseHandle(h) != 0;
    }

private:
    HANDLE h_;
};

class FindHandle {
public:
    explicit FindHandle(HANDLE h) : h_(h) {}
    ~FindHandle() {
        if (h_ != INVALID_HANDLE_VALUE) FindClose(h_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

}  // namespace

bool FileExists(const std::string& path) {
    const DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    const DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolder(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool ReadWholeFile(const std::string& path, std::string& content) {
    // Share everything, so a file NinjaTrader is still writing or deleting can be read.
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() || GetFileType(file.get()) != FILE_TYPE_DISK) return false;
    content.clear();
    char buffer[65536];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr)) return false;
        if (n == 0) break;
        content.append(buffer, n);
    }
    return true;
}

bool ReadFileHead(const std::string& path, size_t maxBytes, std::string& content,
                  bool& complete) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() || GetFileType(file.get()) != FILE_TYPE_DISK) return false;
    content.assign(maxBytes + 1, '\0');
    size_t done = 0;
    while (done < content.size()) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 30));
        if (!ReadFile(file.get(), &content[done], chunk, &n, nullptr)) return false;
        if (n == 0) break;
        done += n;
    }
    complete = done <= maxBytes;
    content.resize(std::min(done, maxBytes));
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    size_t done = 0;
    while (done < content.size()) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 30));
        if (!WriteFile(file.get(), content.data() + done, chunk, &n, nullptr)) return false;
        done += n;
    }
    const bool flushed = FlushFileBuffers(file.get()) != 0;
    return file.Close() && flushed;
}

bool ReplaceWholeFile(const std::string& path, const std::string& content) {
    const std::string temporary = path + ".tmp";
    if (WriteWholeFile(temporary, content) &&
        MoveFileExA(temporary.c_str(), path.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileA(temporary.c_str());
    return false;
}

bool MoveNoReplace(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
    const std::string pattern = WithTrailingDelimiter(folder) + "*.*";
    WIN32_FIND_DATAA data;
    FindHandle find(FindFirstFileA(pattern.c_str(), &data));
    if (!find.valid()) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        FolderEntry entry;
        entry.name = name;
        entry.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.hiddenOrSystem =
            (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
        entries.push_back(entry);
    } while (FindNextFileA(find.get(), &data));
    return true;
}

std::string ExecutablePath() {
    char buffer[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

}  // namespace plat
