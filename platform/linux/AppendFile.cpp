#include "platform/AppendFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace plat {

struct AppendFile::System {
    int fd = -1;
};

AppendFile::AppendFile() : system_(std::make_unique<System>()) {}

AppendFile::~AppendFile() { Close(); }

bool AppendFile::Open(const std::string& path) {
    Close();
    system_->fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    return system_->fd >= 0;
}

bool AppendFile::IsOpen() const { return system_->fd >= 0; }

void AppendFile::Close() {
    if (system_->fd >= 0) close(system_->fd);
    system_->fd = -1;
}

bool AppendFile::Append(const std::string& text) {
    if (system_->fd < 0) return false;
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(system_->fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool AppendFile::Sync() { return system_->fd >= 0 && fdatasync(system_->fd) == 0; }

std::string LocalDataFolder() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) return data;
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.local/share";
    return std::string();
}

}  // namespace plat
