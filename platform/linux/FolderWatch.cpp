#include "platform/FolderWatch.h"

#include <dirent.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <map>

namespace plat {

namespace {

constexpr uint32_t kWhat = IN_CREATE | IN_DELETE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_FROM |
                           IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
constexpr int kMaxFolders = 100;  // as many as a scan of OUTGOING visits

}  // namespace

// inotify watches one folder per watch descriptor: the tree is watched folder by folder, and a
// sub-folder made later is added when it appears.
struct FolderWatch::System {
    int notify = -1;
    int stop = -1;
    int rootWatch = -1;
    std::map<int, std::string> folders;  // by watch descriptor

    ~System() { Close(); }
    void Close() {
        if (notify >= 0) close(notify);
        if (stop >= 0) close(stop);
        notify = stop = rootWatch = -1;
        folders.clear();
    }
    int Add(const std::string& folder) {
        if (static_cast<int>(folders.size()) >= kMaxFolders) return -1;
        const int wd = inotify_add_watch(notify, folder.c_str(), kWhat);
        if (wd < 0) return -1;
        folders[wd] = folder;
        if (DIR* dir = opendir(folder.c_str())) {
            while (const dirent* entry = readdir(dir)) {
                const std::string name = entry->d_name;
                if (entry->d_type == DT_DIR && name != "." && name != "..")
                    Add(folder + "/" + name);
            }
            closedir(dir);
        }
        return wd;
    }
};

FolderWatch::FolderWatch() : system_(std::make_unique<System>()) {}

FolderWatch::~FolderWatch() { Stop(); }

bool FolderWatch::Start(const std::string& folder, Changed changed, uint32_t& error) {
    Stop();
    folder_ = folder;
    changed_ = std::move(changed);
    system_->notify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    system_->stop = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (system_->notify >= 0) system_->rootWatch = system_->Add(folder);
    if (system_->notify < 0 || system_->stop < 0 || system_->rootWatch < 0) {
        error = static_cast<uint32_t>(errno);
        system_->Close();
        return false;
    }
    active_ = true;
    thread_ = std::thread(&FolderWatch::Run, this);
    return true;
}

void FolderWatch::Stop() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        if (write(system_->stop, &one, sizeof one) < 0) {
            // An eventfd write fails only when its counter is full: the thread is woken already.
        }
        thread_.join();
    }
    system_->Close();
    active_ = false;
}

void FolderWatch::Run() {
    pollfd waitFor[2] = {{system_->stop, POLLIN, 0}, {system_->notify, POLLIN, 0}};
    alignas(inotify_event) char buffer[16 * 1024];
    bool rootGone = false;
    while (!rootGone) {
        if (poll(waitFor, 2, -1) < 0 && errno != EINTR) break;
        if (waitFor[0].revents) break;
        if (!(waitFor[1].revents & POLLIN)) continue;
        for (;;) {
            const ssize_t got = read(system_->notify, buffer, sizeof buffer);
            if (got <= 0) break;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                const uint32_t gone = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED;
                if (event->wd == system_->rootWatch && (event->mask & gone)) rootGone = true;
                const auto folder = system_->folders.find(event->wd);
                if ((event->mask & IN_ISDIR) && (event->mask & (IN_CREATE | IN_MOVED_TO)) &&
                    folder != system_->folders.end() && event->len > 0)
                    system_->Add(folder->second + "/" + event->name);
            }
        }
        changed_();
    }
    active_ = false;
}

}  // namespace plat
