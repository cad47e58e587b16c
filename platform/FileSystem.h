#pragma once
// The few file operations the server needs. Paths and names are UTF-8 (on Windows the
// operations take them as wide text: any path Windows accepts works).
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

#ifdef _WIN32
constexpr char kPathDelimiter = '\\';
#else
constexpr char kPathDelimiter = '/';
#endif

// True for the characters that end a folder part of a path ('\\', '/' and ':' on Windows).
bool IsPathDelimiter(char c);

// The path with a delimiter appended unless it already ends in one (an empty path stays empty).
std::string WithTrailingDelimiter(const std::string& path);

// A path as seen from `base`: an absolute path (or one with a drive) unchanged, a relative one
// below `base`; an empty path stays empty.
std::string ResolvePath(const std::string& base, const std::string& path);

// The folder part of a path, with its trailing delimiter ("" when it has none).
std::string FolderPart(const std::string& path);

// The text after the last path delimiter (or drive colon).
std::string FileNamePart(const std::string& path);

// True when something exists at the path and it is not a folder.
bool FileExists(const std::string& path);

// True when the attribute query for the path succeeds and reports a folder.
bool FolderExists(const std::string& path);

bool MakeFolder(const std::string& path);
// Makes the folder and every missing folder above it.
bool MakeFolderTree(const std::string& path);

// Reads the whole of an ordinary file (never waiting on a pipe or device); false when it
// cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& content);

// Reads at most `maxBytes` from the start of an ordinary file, sharing it with writers and
// deleters and never blocking on a pipe or device. `complete` tells whether the whole file fit.
// False when the file cannot be opened or read.
bool ReadFileHead(const std::string& path, size_t maxBytes, std::string& content, bool& complete);

// Creates or replaces the file with exactly this content, flushed to disk, then closed.
bool WriteWholeFile(const std::string& path, const std::string& content);

// Replaces the file with exactly this content as one step: the content is written and flushed
// under a temporary name beside it, which then takes the file's place. On failure the old file
// is left as it was and the temporary one is removed.
bool ReplaceWholeFile(const std::string& path, const std::string& content);

// Renames within one volume, never replacing an existing file: fails when `to` exists.
bool MoveNoReplace(const std::string& from, const std::string& to);

bool RemoveFile(const std::string& path);

// The file's last-write time as the file system keeps it (Windows: 100 ns units since 1601;
// elsewhere nanoseconds since 1970): comparable only with other such times of this system.
bool LastWriteTime(const std::string& path, int64_t& time);

// What a listing tells of a file's content without opening it: its size and last-write time.
// Two equal stamps of one name mean the file was not written in between, unless both writes
// fell within one step of the file system's clock (see kFileClockStep).
struct FileStamp {
    uint64_t size = 0;
    int64_t writeTime = 0;  // as LastWriteTime gives it
    bool known = false;     // false when the listing could not tell (a link on Windows)
    // Both known and equal: a stamp nobody could tell matches none.
    bool Matches(const FileStamp& other) const {
        return known && other.known && size == other.size && writeTime == other.writeTime;
    }
};

#ifdef _WIN32
constexpr int64_t kFileTimeUnitsPerSecond = 10000000;  // of LastWriteTime and FileStamp
#else
constexpr int64_t kFileTimeUnitsPerSecond = 1000000000;
#endif
// The coarsest step of a file system's write time (FAT keeps 2 s): two writes of one size this
// close together may leave the same stamp.
constexpr int64_t kFileClockStep = 2 * kFileTimeUnitsPerSecond;

// Now, on the clock and in the units of LastWriteTime.
int64_t FileClockNow();

struct FolderEntry {
    std::string name;
    bool isFolder = false;
    bool hiddenOrSystem = false;  // natively: a name starting with "."
    FileStamp stamp;              // files: given by the listing on Windows (see StampEntry)
};

// Entries of a folder in the file system's order, without "." and "..". False when the folder
// cannot be listed.
bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries);

// Gives an entry of `folder` its stamp where the listing could not: natively (a directory read
// tells names only) by asking the file system, so only for the entries a caller needs. On
// Windows the listing gave every stamp it can; a link keeps none and is read every time.
void StampEntry(const std::string& folder, FolderEntry& entry);

// Which folder stands at a path: stays the same while it is that folder, differs once the path
// names another one (deleted and made again, moved away and replaced). False when nothing is
// there or it cannot be opened.
struct FolderIdentity {
    uint64_t volume = 0;
    uint64_t index = 0;
    bool operator==(const FolderIdentity& other) const {
        return volume == other.volume && index == other.index;
    }
    bool operator!=(const FolderIdentity& other) const { return !(*this == other); }
};
bool IdentifyFolder(const std::string& path, FolderIdentity& identity);

// Full path of the running executable.
std::string ExecutablePath();

}  // namespace plat
