#include "platform/AppendFile.h"

#include <windows.h>

#include <algorithm>

#include "platform/Scoped.h"
#include "platform/win32/WideText.h"

namespace plat {

struct AppendFile::System {
    FileHandle file{INVALID_HANDLE_VALUE};
};

AppendFile::AppendFile() : system_(std::make_unique<System>()) {}

AppendFile::~AppendFile() { Close(); }

bool AppendFile::Open(const std::string& path) {
    Close();
    // Appending only: every write lands at the end, whoever else has the file open. Readers
    // (the trader opening it in an editor) are welcome.
    system_->file = FileHandle(CreateFileW(WideText(path).c_str(), FILE_APPEND_DATA,
                                           FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(system_->file);
}

bool AppendFile::IsOpen() const { return static_cast<bool>(system_->file); }

void AppendFile::Close() { system_->file.Reset(); }

bool AppendFile::Append(const std::string& text) {
    if (!system_->file) return false;
    size_t done = 0;
    while (done < text.size()) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1u << 30));
        if (!WriteFile(system_->file.Get(), text.data() + done, chunk, &n, nullptr) || n == 0)
            return false;
        done += n;
    }
    return true;
}

bool AppendFile::Sync() {
    return system_->file && FlushFileBuffers(system_->file.Get()) != 0;
}

std::string LocalDataFolder() {
    wchar_t buffer[MAX_PATH * 2] = {};
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2) return std::string();
    return NarrowText(buffer, length);
}

}  // namespace plat
