#pragma once
// The main window's icon in the notification area: its registration record, picture and tip.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace ordersrv {

// Loads an icon from a raw data resource holding a complete .ico file; null when it cannot.
HICON LoadIconResource(HINSTANCE instance, const char* name);

class TrayIcon {
public:
    TrayIcon();
    ~TrayIcon();  // the icon leaves the notification area with its owner
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    void Add(HWND owner, UINT callbackMessage, HICON icon, const std::string& tip);
    // The tip becomes "<title> - " and the text, cut to the tip field's 63 characters.
    void Update(HICON icon, const std::string& text);
    void Remove();  // a second removal does nothing

    bool Added() const { return added_; }
    HICON Icon() const { return data_.hIcon; }
    std::string Tip() const { return data_.szTip; }

private:
    NOTIFYICONDATAA data_;
    bool added_ = false;
};

}  // namespace ordersrv
