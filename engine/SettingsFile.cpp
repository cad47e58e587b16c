#include "engine/SettingsFile.h"

#include <vector>

#include "model/AsciiText.h"
#include "platform/FileSystem.h"

namespace ordersrv {

namespace {

const char* const kFirstStartLocation = "c:\\program files\\ninjatrader 5";
const char* const kFirstStartAccount = "SIM101";
const char* const kMissingLocation = "c:\\program files\\ninjatrader 4";
const char* const kMissingAccount = "SIM-101";

const char* const kUtf8Mark = "\xEF\xBB\xBF";

const char* const kAccountKey = "Account";
const char* const kLocationKey = "Location";
const char* const kAcceptOrdersKey = "AcceptOrders";
const char* const kStopToStopLimitKey = "StopToStopLimit";

// The text up to its first zero byte, split at CR, LF and CR LF.
std::vector<std::string> SplitLines(const std::string& content) {
    const std::string text = content.substr(0, content.find('\0'));
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    return lines;
}

// The value of the first line whose key matches (letter case aside); empty when none does.
std::string ValueOf(const std::vector<std::string>& lines, const std::string& key) {
    for (const std::string& line : lines) {
        const size_t equals = line.find('=');
        if (equals != std::string::npos && EqualIgnoringAsciiCase(line.substr(0, equals), key))
            return line.substr(equals + 1);
    }
    return std::string();
}

void ApplyFirstStartDefaults(Settings& settings) {
    settings.location = kFirstStartLocation;
    settings.account = kFirstStartAccount;
    settings.acceptOrders = true;
    settings.stopToStopLimit = true;
}

// The account goes into every place instruction, so one that could add fields or lines there
// is not taken.
std::string AccountFrom(const std::string& value, const std::string& path,
                        const std::function<void(const std::string&)>& log) {
    if (value.empty()) return kMissingAccount;
    if (IsSafeInstructionField(value)) return value;
    if (log)
        log("Settings <" + path +
            "> account refused: it holds a character an instruction line cannot carry");
    return kMissingAccount;
}

void AppendEntry(std::string& content, const char* key, const std::string& value) {
    content += key;
    content += '=';
    content += value;
    content += "\r\n";
}

}  // namespace

std::string SettingsFileText(const std::string& bytes, const plat::CodePage& codePage) {
    // Notepad starts a file it saves as UTF-8 with a byte-order mark; it is not part of the
    // first key.
    if (bytes.compare(0, 3, kUtf8Mark) == 0) return bytes.substr(3);
    return codePage.toUtf8(bytes);
}

std::string SettingsFileBytes(const std::string& text, const plat::CodePage& codePage) {
    std::string bytes;
    if (codePage.fromUtf8(text, bytes)) return bytes;
    return kUtf8Mark + text;
}

std::string SettingsFilePath(const std::string& executablePath) {
    const std::string upperName = UpperCaseAscii(plat::FileNamePart(executablePath));
    return plat::FolderPart(executablePath) + upperName.substr(0, upperName.find('.')) + ".INI";
}

void LoadSettingsFile(const std::string& path, Settings& settings,
                  const std::function<void(const std::string&)>& log) {
    if (!plat::FileExists(path)) {
        ApplyFirstStartDefaults(settings);
        return;
    }
    std::string content;
    if (!plat::ReadWholeFile(path, content)) return;  // keep what the settings held

    const std::vector<std::string> lines = SplitLines(SettingsFileText(content));
    settings.account = AccountFrom(ValueOf(lines, kAccountKey), path, log);
    const std::string location = ValueOf(lines, kLocationKey);
    settings.location = location.empty() ? kMissingLocation : location;
    settings.acceptOrders = ValueOf(lines, kAcceptOrdersKey) == "1";
    settings.stopToStopLimit = ValueOf(lines, kStopToStopLimitKey) == "1";
}

bool SaveSettingsFile(const std::string& path, const Settings& settings,
                  const std::function<void(const std::string&)>& log) {
    std::string content;
    if (!settings.account.empty()) AppendEntry(content, kAccountKey, settings.account);
    if (!settings.location.empty()) AppendEntry(content, kLocationKey, settings.location);
    AppendEntry(content, kAcceptOrdersKey, settings.acceptOrders ? "1" : "0");
    AppendEntry(content, kStopToStopLimitKey, settings.stopToStopLimit ? "1" : "0");
    // Never truncated in place: a save that fails half-way (a full disk) would leave an empty
    // file, and the next start would run with the defaults of a file without keys.
    if (plat::ReplaceWholeFile(path, SettingsFileBytes(content))) return true;
    if (log) log("Settings <" + path + "> not saved: it could not be written; the previous file stays");
    return false;  // a close goes on all the same
}

}  // namespace ordersrv
