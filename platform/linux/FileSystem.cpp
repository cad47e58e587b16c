#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <utility>

namespace plat {

bool FileExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool FolderExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeFolder(const std::string& path) { return mkdir(path.c_str(), 0777) == 0 || errno == EEXIST; }

bool ReadWholeFile(const std::string& path, std::string& content) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    content.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            close(fd);
            return false;
        }
        if (n == 0) break;
        content.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return true;
}

bool ReadFileHead(const std::string& path, size_t maxBytes, std::string& content,
                  bool& complete) {
    // Without blocking, and ordinary files only: a pipe under that name would otherwise stall
    // the caller for as long as nobody writes to it.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    content.assign(maxBytes + 1, '\0');
    size_t done = 0;
    while (ok && done < content.size()) {
        const ssize_t n = read(fd, &content[done], content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        done += static_cast<size_t>(n);
    }
    close(fd);
    if (!ok) return false;
    complete = done <= maxBytes;
    content.resize(done < maxBytes ? done : maxBytes);
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            close(fd);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    const bool synced = fsync(fd) == 0;
    return close(fd) == 0 && synced;
}

bool ReplaceWholeFile(const std::string& path, const std::string& content) {
    const std::string temporary = path + ".tmp";
    if (WriteWholeFile(temporary, content) && rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    unlink(temporary.c_str());
    return false;
}

bool MoveNoReplace(const std::string& from, const std::string& to) {
    // link() fails when the target exists, so no file is ever replaced.
    if (link(from.c_str(), to.c_str()) != 0) return false;
    unlink(from.c_str());
    return true;
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

bool LastWriteTime(const std::string& path, int64_t& time) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return false;
    time = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return false;
    const std::string prefix = WithTrailingDelimiter(folder);
    while (const dirent* e = readdir(dir)) {
        const char* name = e->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
        FolderEntry entry;
        entry.name = name;
        entry.hiddenOrSystem = name[0] == '.';
        // The entry's own type where the file system gives it; links and the rest are asked.
        entry.isFolder = e->d_type == DT_DIR ||
                         ((e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) &&
                          FolderExists(prefix + name));
        entries.push_back(std::move(entry));
    }
    closedir(dir);
    return true;
}

std::string ExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

}  // namespace plat
