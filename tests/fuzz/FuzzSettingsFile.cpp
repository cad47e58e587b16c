// The settings file as a user or a broken disk may leave it: whatever it holds, loading gives
// an account that cannot break an instruction line, a folder, and switches that are on only
// for "1"; and what is saved loads back unchanged. Input: the file's content.
#include <unistd.h>

#include <cstdint>
#include <string>

#include "engine/Settings.h"
#include "model/AsciiText.h"
#include "platform/FileSystem.h"
#include "tests/fuzz/FuzzBridgeHarness.h"
#include "tests/fuzz/FuzzCheck.h"
#include "engine/SettingsFile.h"

namespace ordersrv {

namespace {

const std::string& SettingsPath() {
    static const std::string path =
        FuzzScratchBase() + "/ordersrv-fuzz-settings-" + std::to_string(getpid()) + ".INI";
    static const struct Remover {
        ~Remover() { plat::RemoveFile(path); }
    } remover;
    return path;
}

// The first line whose key matches, the way a user reads the file (an editor shows no
// byte-order mark).
bool FirstValue(const std::string& content, const std::string& key, std::string& value) {
    std::string text = content.substr(0, content.find('\0'));
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        const size_t eq = line.find('=');
        if (eq != std::string::npos && EqualIgnoringAsciiCase(line.substr(0, eq), key)) {
            value = line.substr(eq + 1);
            return true;
        }
        start = end + 1;
    }
    return false;
}

}  // namespace

}  // namespace ordersrv

using namespace ordersrv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    FUZZ_CHECK(plat::WriteWholeFile(SettingsPath(), content));

    Settings loaded;
    int logged = 0;
    LoadSettingsFile(SettingsPath(), loaded, [&](const std::string&) { ++logged; });
    FUZZ_CHECK(!loaded.account.empty() && IsSafeInstructionField(loaded.account));
    FUZZ_CHECK(!loaded.location.empty());
    FUZZ_CHECK(loaded.location.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);

    std::string value;
    const bool hasAccept = FirstValue(content, "AcceptOrders", value);
    FUZZ_CHECK(loaded.acceptOrders == (hasAccept && value == "1"));
    const bool hasStop = FirstValue(content, "StopToStopLimit", value);
    FUZZ_CHECK(loaded.stopToStopLimit == (hasStop && value == "1"));
    if (FirstValue(content, "Location", value) && !value.empty()) FUZZ_CHECK(loaded.location == value);
    if (FirstValue(content, "Account", value) && !value.empty() && IsSafeInstructionField(value))
        FUZZ_CHECK(loaded.account == value && logged == 0);

    SaveSettingsFile(SettingsPath(), loaded);
    Settings again;
    LoadSettingsFile(SettingsPath(), again);
    FUZZ_CHECK(again.account == loaded.account && again.location == loaded.location);
    FUZZ_CHECK(again.acceptOrders == loaded.acceptOrders);
    FUZZ_CHECK(again.stopToStopLimit == loaded.stopToStopLimit);
    return 0;
}
