#pragma once
// The settings file beside the executable: key=value lines, CR LF, four keys; 8-bit text in
// the system's code page, or UTF-8 after a byte-order mark.
#include <functional>
#include <string>

#include "engine/Settings.h"
#include "platform/CodePage.h"

namespace ordersrv {

// Folder of the executable + its file name upper-cased and cut before the first "." + ".INI".
std::string SettingsFilePath(const std::string& executablePath);

// The file's bytes as the process's text (UTF-8): after a UTF-8 byte-order mark as they stand,
// without the mark; otherwise in the code page (the system's ANSI code page).
std::string SettingsFileText(const std::string& bytes,
                             const plat::CodePage& codePage = plat::kAnsiCodePage);

// The text as the file's bytes: in the code page when it holds every character, so that other
// programs read the file as before; otherwise UTF-8 after a byte-order mark, so that the next
// start reads back exactly what was saved.
std::string SettingsFileBytes(const std::string& text,
                              const plat::CodePage& codePage = plat::kAnsiCodePage);

// Fills the settings from the file, or with the first-start defaults when there is none;
// never fails. An account that could corrupt an instruction line counts as missing and is
// reported through `log`.
void LoadSettingsFile(const std::string& path, Settings& settings,
                  const std::function<void(const std::string&)>& log = nullptr);

// Writes the four settings (empty texts left out), replacing the file only once the new one
// is complete. When it cannot, the previous file stays, `log` is told, and the answer is false.
bool SaveSettingsFile(const std::string& path, const Settings& settings,
                  const std::function<void(const std::string&)>& log = nullptr);

}  // namespace ordersrv
