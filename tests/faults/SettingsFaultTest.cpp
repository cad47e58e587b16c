// Faults of the settings file: a file that cannot be written, and content no user meant.
#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "tests/faults/FaultFixture.h"
#include "ui/SettingsFile.h"

namespace {

// Makes the file read-only; false where the test's rights ignore that (a superuser, or Wine
// run by one), which a probe for writing tells.
bool MakeReadOnly(const std::string& path) {
#ifdef _WIN32
    if (!SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY)) return false;
#else
    if (chmod(path.c_str(), 0444) != 0) return false;
#endif
    std::ofstream probe(path, std::ios::app);
    return !probe.is_open();
}

void MakeWritable(const std::string& path) {
#ifdef _WIN32
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
#else
    chmod(path.c_str(), 0666);
#endif
}

}  // namespace

using SettingsFaults = FaultFixture;

TEST_F(SettingsFaults, ReadOnlyFileSaveGivesUpSilentlyAndLoadStillWorks) {
    const std::string path = location + plat::kPathDelimiter + "ORDERSRV.INI";
    const std::string old = "Account=OLD1\r\nLocation=d:\\nt\r\nAcceptOrders=1\r\nStopToStopLimit=0\r\n";
    ASSERT_TRUE(plat::WriteWholeFile(path, old));
    if (!MakeReadOnly(path)) GTEST_SKIP() << "running with rights that ignore read-only files";

    TOrderServerSettings changed;
    changed.Account = "NEW2";
    changed.Location = "e:\\other";
    SaveSettings(path, changed);  // must neither throw nor crash

    TOrderServerSettings loaded;
    LoadSettings(path, loaded);
    EXPECT_EQ(loaded.Account, "OLD1");
    EXPECT_EQ(loaded.Location, "d:\\nt");
    EXPECT_TRUE(loaded.AcceptOrders);
    EXPECT_FALSE(loaded.StopToStopLimit);
    MakeWritable(path);
}

TEST_F(SettingsFaults, UnwritablePlaceSaveGivesUpSilently) {
    // The executable's folder is no folder at all: nothing can be created there, whatever
    // the rights.
    const std::string notAFolder = location + plat::kPathDelimiter + "OrderSrv";
    ASSERT_TRUE(plat::WriteWholeFile(notAFolder, "x"));
    const std::string path = notAFolder + plat::kPathDelimiter + "ORDERSRV.INI";
    TOrderServerSettings settings;
    settings.Account = "NEW2";
    SaveSettings(path, settings);
    EXPECT_FALSE(plat::FileExists(path));
    TOrderServerSettings loaded;
    LoadSettings(path, loaded);
    EXPECT_EQ(loaded.Account, "SIM101");
}

TEST_F(SettingsFaults, FolderInPlaceOfTheFileReadsAsNoFileAndSaveGivesUp) {
    const std::string path = location + plat::kPathDelimiter + "ORDERSRV.INI";
    ASSERT_TRUE(plat::MakeFolder(path));
    TOrderServerSettings settings;
    settings.Account = "NEW2";
    SaveSettings(path, settings);
    EXPECT_TRUE(plat::FolderExists(path));
    TOrderServerSettings loaded;
    LoadSettings(path, loaded);
    EXPECT_EQ(loaded.Account, "SIM101");  // the first-start defaults
    EXPECT_EQ(loaded.Location, "c:\\program files\\ninjatrader 5");
}

TEST_F(SettingsFaults, GarbageAndAnAccountThatWouldSplitALineAreNeverUsed) {
    const std::string path = location + plat::kPathDelimiter + "ORDERSRV.INI";
    std::string content = "\xff\xfe\x01=\r\nAccount=SIM;101\r\nLocation=";
    content += location;
    content += "\r\nAcceptOrders=1\r\n";
    content.append(5 * 1024 * 1024, '\x7f');
    ASSERT_TRUE(plat::WriteWholeFile(path, content));
    std::vector<std::string> logged;
    LoadSettings(path, engine.Settings, [&](const std::string& l) { logged.push_back(l); });
    EXPECT_EQ(engine.Settings.Account, "SIM-101");
    EXPECT_EQ(logged.size(), 1u);

    Connect();
    Place(1);
    bridge.ProcessActionQueue();
    const std::vector<std::string> lines = InstructionLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].compare(0, 14, "PLACE;SIM-101;"), 0) << lines[0];
    ExpectNoOrderLostSilently();
}
