// Faults of the settings file: a file that cannot be written, and content no user meant.
#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#endif

#include "tests/support/BridgeHarness.h"
#include "engine/SettingsFile.h"
#include "platform/Scoped.h"

namespace ordersrv {

namespace {

// Keeps the settings file from being replaced, in a way a superuser cannot ignore either:
// on Windows held open without sharing, as another program might hold it; natively marked
// immutable. False (with the reason) where that cannot be done.
class LockedFile {
public:
    explicit LockedFile(const std::string& path) : path_(path) {
#ifdef _WIN32
        held_ = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        locked_ = held_ != INVALID_HANDLE_VALUE;
#else
        locked_ = std::system(("chattr +i '" + path + "' 2>/dev/null").c_str()) == 0;
#endif
    }
    ~LockedFile() {
#ifdef _WIN32
        if (locked_) CloseHandle(held_);
#else
        if (locked_) std::system(("chattr -i '" + path_ + "'").c_str());
#endif
    }
    bool Locked() const { return locked_; }

private:
    std::string path_;
    bool locked_ = false;
#ifdef _WIN32
    HANDLE held_ = INVALID_HANDLE_VALUE;
#endif
};

#ifndef _WIN32
// Every write that would grow a file fails from here on, as on a full disk.
class FullDisk {
public:
    FullDisk() {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = signal(SIGXFSZ, SIG_IGN);
        rlimit none = saved_;
        none.rlim_cur = 0;
        setrlimit(RLIMIT_FSIZE, &none);
    }
    ~FullDisk() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};
#endif

const char* const kOldSettings =
    "Account=OLD1\r\nLocation=d:\\nt\r\nAcceptOrders=1\r\nStopToStopLimit=0\r\n";

}  // namespace

using SettingsFaults = testsupport::BridgeHarness;

TEST_F(SettingsFaults, LockedFileIsKeptWithOneLogLineAndLoadStillWorks) {
    const std::string path = location + plat::kPathDelimiter + "ORDERSRV.INI";
    ASSERT_TRUE(plat::WriteWholeFile(path, kOldSettings));
    LockedFile lock(path);
    if (!lock.Locked()) GTEST_SKIP() << "this file system cannot mark a file immutable (chattr)";

    Settings changed;
    changed.account = "NEW2";
    changed.location = "e:\\other";
    std::vector<std::string> logged;
    EXPECT_FALSE(SaveSettingsFile(path, changed, [&](const std::string& l) { logged.push_back(l); }));
    EXPECT_EQ(logged, std::vector<std::string>{"Settings <" + path +
                                               "> not saved: it could not be written; the "
                                               "previous file stays"});

    Settings loaded;
    LoadSettingsFile(path, loaded);
    EXPECT_EQ(loaded.account, "OLD1");
    EXPECT_EQ(loaded.location, "d:\\nt");
    EXPECT_TRUE(loaded.acceptOrders);
    EXPECT_FALSE(loaded.stopToStopLimit);
}

#ifndef _WIN32  // under Wine, the server's own close on a full disk is tried (tests/server)
TEST_F(SettingsFaults, SaveOnAFullDiskLeavesThePreviousFileWhole) {
    const std::string path = location + plat::kPathDelimiter + "ORDERSRV.INI";
    ASSERT_TRUE(plat::WriteWholeFile(path, kOldSettings));
    Settings changed;
    changed.account = "NEW2";
    bool saved = true;
    {
        FullDisk full;
        saved = SaveSettingsFile(path, changed);
    }
    EXPECT_FALSE(saved);
    std::string content;
    ASSERT_TRUE(plat::ReadWholeFile(path, content));
    EXPECT_EQ(content, kOldSettings);
    EXPECT_FALSE(plat::FileExists(path + ".tmp"));
}
#endif

TEST_F(SettingsFaults, UnwritablePlaceSaveGivesUpSilently) {
    // The executable's folder is no folder at all: nothing can be created there, whatever
    // the rights.
    const std::string notAFolder = location + plat::kPathDelimiter + "OrderSrv";
    ASSERT_TRUE(plat::WriteWholeFile(notAFolder, "x"));
    const std::string path = notAFolder + plat::kPathDelimiter + "ORDERSRV.INI";
    Settings settings;
    settings.account = "NEW2";
    SaveSettingsFile(path, settings);
    EXPECT_FALSE(plat::FileExists(path));
    Settings loaded;
    LoadSettingsFile(path, loaded);
    EXPECT_EQ(loaded.account, "SIM101");
}

TEST_F(SettingsFaults, FolderInPlaceOfTheFileReadsAsNoFileAndSaveGivesUp) {
    const std::string path = location + plat::kPathDelimiter + "ORDERSRV.INI";
    ASSERT_TRUE(plat::MakeFolder(path));
    Settings settings;
    settings.account = "NEW2";
    SaveSettingsFile(path, settings);
    EXPECT_TRUE(plat::FolderExists(path));
    Settings loaded;
    LoadSettingsFile(path, loaded);
    EXPECT_EQ(loaded.account, "SIM101");  // the first-start defaults
    EXPECT_EQ(loaded.location, "c:\\program files\\ninjatrader 5");
}

// A file that exists but cannot be read leaves every setting as it was.
TEST_F(SettingsFaults, UnreadableFileKeepsTheSettings) {
    const std::string path = location + plat::kPathDelimiter + "ORDERSRV.INI";
    ASSERT_TRUE(plat::WriteWholeFile(path, kOldSettings));
    Settings loaded;
    loaded.account = "KEPT";
#ifdef _WIN32
    // Held open without sharing, as another program might hold it.
    const plat::FileHandle held(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    LoadSettingsFile(path, loaded);
#else
    // A named pipe under the file's name: there, but nothing to read, whoever asks.
    plat::RemoveFile(path);
    ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
    LoadSettingsFile(path, loaded);
#endif
    EXPECT_EQ(loaded.account, "KEPT");
    EXPECT_EQ(loaded.location, "");
}

TEST_F(SettingsFaults, GarbageAndAnAccountThatWouldSplitALineAreNeverUsed) {
    const std::string path = location + plat::kPathDelimiter + "ORDERSRV.INI";
    std::string content = "\xff\xfe\x01=\r\nAccount=SIM;101\r\nLocation=";
    content += location;
    content += "\r\nAcceptOrders=1\r\n";
    content.append(5 * 1024 * 1024, '\x7f');
    ASSERT_TRUE(plat::WriteWholeFile(path, content));
    std::vector<std::string> logged;
    LoadSettingsFile(path, engine.settings, [&](const std::string& l) { logged.push_back(l); });
    EXPECT_EQ(engine.settings.account, "SIM-101");
    EXPECT_EQ(logged.size(), 1u);

    Connect();
    Place(1);
    writer.Drain();
    const std::vector<std::string> lines = InstructionLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].compare(0, 14, "PLACE;SIM-101;"), 0) << lines[0];
    ExpectNoOrderLostSilently();
}

}  // namespace ordersrv
