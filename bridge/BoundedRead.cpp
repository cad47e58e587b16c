#include "bridge/StateLine.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

#ifdef _WIN32

namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

}  // namespace

bool ReadFileHead(const std::string& path, size_t maxBytes, std::string& content,
                  bool& complete) {
    // Share everything, so a file NinjaTrader is writing or deleting at this moment can be read.
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    content.assign(maxBytes + 1, '\0');
    size_t done = 0;
    while (done < content.size()) {
        DWORD n = 0;
        if (!ReadFile(file.get(), &content[done], static_cast<DWORD>(content.size() - done), &n,
                      nullptr))
            return false;
        if (n == 0) break;
        done += n;
    }
    complete = done <= maxBytes;
    content.resize(done < maxBytes ? done : maxBytes);
    return true;
}

#else

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

bool ReadFileHead(const std::string& path, size_t maxBytes, std::string& content,
                  bool& complete) {
    // Without blocking, and ordinary files only: a pipe or device under that name would
    // otherwise stall the scan for as long as nobody writes to it.
    FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0) return false;
    struct stat st {};
    if (fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    content.assign(maxBytes + 1, '\0');
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = read(file.get(), &content[done], content.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    complete = done <= maxBytes;
    content.resize(done < maxBytes ? done : maxBytes);
    return true;
}

#endif
