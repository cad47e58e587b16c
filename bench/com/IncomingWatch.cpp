#include "bench/com/IncomingWatch.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace ordersrv {

namespace bench {

namespace {

constexpr const char* kOrderIdPrefix = "HALVENMAR";

bool HasTxtExtension(const std::string& name) {
    return name.size() > 4 && _stricmp(name.c_str() + name.size() - 4, ".TXT") == 0;
}

bool ReadWhole(const std::string& path, std::string& content) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    content.clear();
    char buffer[65536];
    DWORD n = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &n, nullptr) != 0) && n > 0)
        content.append(buffer, n);
    CloseHandle(file);
    return ok;
}

// The reference of every "PLACE;...;HALVENMAR<ref>;;" line.
void CollectPlacedOrders(const std::string& content, uint64_t writtenAt,
                         std::vector<IncomingWatch::PlacedOrder>& refs) {
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find_first_of("\r\n", start);
        if (end == std::string::npos) end = content.size();
        if (content.compare(start, 6, "PLACE;") == 0) {
            const size_t id = content.find(kOrderIdPrefix, start);
            if (id != std::string::npos && id < end)
                refs.push_back({static_cast<int32_t>(std::strtol(content.c_str() + id + 9, nullptr, 10)),
                                writtenAt});
        }
        start = end + 1;
    }
}

}  // namespace

IncomingWatch::IncomingWatch(std::string folder, bool deleteSeen)
    : folder_(std::move(folder)), deleteSeen_(deleteSeen) {
    if (!folder_.empty() && folder_.back() != '\\') folder_ += '\\';
}

std::vector<IncomingWatch::Listed> IncomingWatch::ListInstructionFiles() const {
    std::vector<Listed> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder_ + "OIF*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && HasTxtExtension(data.cFileName))
            names.push_back({data.cFileName, (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                                 data.ftLastWriteTime.dwLowDateTime});
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

std::vector<IncomingWatch::PlacedOrder> IncomingWatch::TakeNewOrders() {
    std::vector<PlacedOrder> refs;
    for (const Listed& file : ListInstructionFiles()) {
        if (seen_.count(file.name)) continue;
        std::string content;
        if (!ReadWhole(folder_ + file.name, content)) continue;  // looked at again next time
        seen_.insert(file.name);
        CollectPlacedOrders(content, file.writtenAt, refs);
        if (deleteSeen_) DeleteFileA((folder_ + file.name).c_str());
    }
    return refs;
}

void IncomingWatch::Clear() {
    for (const Listed& file : ListInstructionFiles()) DeleteFileA((folder_ + file.name).c_str());
}

}  // namespace bench

}  // namespace ordersrv
