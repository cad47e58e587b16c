#pragma once
// Watches a folder and everything below it on a thread of its own, and calls back after each
// change the file system reports there (a file created, written, renamed or deleted, a
// sub-folder made). Notifications can be lost or merged: a watcher learns that something
// changed, never what, and a caller that must not miss a change still looks now and then.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace plat {

class FolderWatch {
public:
    using Changed = std::function<void()>;

    FolderWatch();
    ~FolderWatch();  // stops the watch
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Stops any watch, then watches `folder`, calling `changed` on the watch's thread. False,
    // with the system's error, when the folder cannot be watched (missing, not a folder, no
    // notifications on that file system).
    bool Start(const std::string& folder, Changed changed, uint32_t& error);
    void Stop();
    // True while the watch stands; it ends by itself when the folder goes away.
    bool Active() const { return active_; }
    const std::string& Folder() const { return folder_; }

private:
    struct System;  // the operating system's handles
    void Run();

    std::unique_ptr<System> system_;
    std::string folder_;
    Changed changed_;
    std::atomic<bool> active_{false};
    std::thread thread_;
};

}  // namespace plat
