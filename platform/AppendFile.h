#pragma once
// A file written only at its end, kept open for a whole run: each Append reaches the operating
// system at once (a killed process loses nothing it appended), and Sync puts everything
// appended so far on the disk.
#include <memory>
#include <string>

namespace plat {

class AppendFile {
public:
    AppendFile();
    ~AppendFile();  // closes
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Opens the file for appending, creating it when missing; others may read it meanwhile.
    bool Open(const std::string& path);
    bool IsOpen() const;
    void Close();

    bool Append(const std::string& text);
    bool Sync();

private:
    struct System;  // the operating system's handle
    std::unique_ptr<System> system_;
};

// The user's own folder for program data that stays on this machine (LOCALAPPDATA on Windows;
// XDG_DATA_HOME, or .local/share in the home folder, elsewhere); empty when there is none.
std::string LocalDataFolder();

}  // namespace plat
