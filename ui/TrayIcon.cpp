#include "ui/TrayIcon.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "ui/StatusText.h"

namespace ordersrv {

namespace {

#pragma pack(push, 1)
struct IconDirHeader {
    WORD reserved, type, count;
};
struct IconDirEntry {
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes, imageOffset;
};
#pragma pack(pop)

void CopyTip(NOTIFYICONDATAA& data, const std::string& tip) {
    std::memset(data.szTip, 0, sizeof data.szTip);
    std::memcpy(data.szTip, tip.data(), std::min(tip.size(), sizeof data.szTip - 1));
}

}  // namespace

HICON LoadIconResource(HINSTANCE instance, const char* name) {
    HRSRC found = FindResourceA(instance, name, MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    if (!found) return nullptr;
    HGLOBAL loaded = LoadResource(instance, found);
    const DWORD size = SizeofResource(instance, found);
    const auto* bytes = static_cast<const BYTE*>(loaded ? LockResource(loaded) : nullptr);
    if (!bytes || size < sizeof(IconDirHeader) + sizeof(IconDirEntry)) return nullptr;

    // Our own copy, so the image is aligned and can be read however the resource is stored.
    std::vector<BYTE> file(bytes, bytes + size);
    IconDirHeader header;
    std::memcpy(&header, file.data(), sizeof header);
    if (header.type != 1 || header.count < 1) return nullptr;
    IconDirEntry entry;
    std::memcpy(&entry, file.data() + sizeof header, sizeof entry);
    if (entry.imageOffset >= size || entry.bytesInRes > size - entry.imageOffset) return nullptr;
    std::vector<BYTE> image(file.begin() + entry.imageOffset,
                            file.begin() + entry.imageOffset + entry.bytesInRes);
    const int width = entry.width ? entry.width : 256;
    const int height = entry.height ? entry.height : 256;
    return CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE,
                                    0x00030000, width, height, LR_DEFAULTCOLOR);
}

TrayIcon::TrayIcon() {
    std::memset(&data_, 0, sizeof data_);
}

TrayIcon::~TrayIcon() {
    Remove();
}

void TrayIcon::Add(HWND owner, UINT callbackMessage, HICON icon, const std::string& tip) {
    std::memset(&data_, 0, sizeof data_);
    // The record of the first shell with tips: the 64-character tip field.
    data_.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data_.hWnd = owner;
    data_.uID = 0;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = callbackMessage;
    data_.hIcon = icon;
    CopyTip(data_, tip);
    Shell_NotifyIconA(NIM_ADD, &data_);
    added_ = true;
}

void TrayIcon::Update(HICON icon, const std::string& text) {
    NOTIFYICONDATAA next = data_;
    next.hIcon = icon;
    CopyTip(next, views::TrayTipText(text));
    // Each modification is a round trip to the shell; the drain refreshes the status after every
    // order line, so an unchanged icon and tip are not sent again.
    if (next.hIcon == data_.hIcon && std::strcmp(next.szTip, data_.szTip) == 0) return;
    data_ = next;
    if (added_) Shell_NotifyIconA(NIM_MODIFY, &data_);
}

void TrayIcon::Remove() {
    if (!added_) return;
    Shell_NotifyIconA(NIM_DELETE, &data_);
    added_ = false;
}

}  // namespace ordersrv
