#pragma once
// The settings file beside the executable: key=value lines, CR LF, four keys.
#include <functional>
#include <string>

#include "engine/Settings.h"

namespace ordersrv {

// Folder of the executable + its file name upper-cased and cut before the first "." + ".INI".
std::string SettingsFilePath(const std::string& executablePath);

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
