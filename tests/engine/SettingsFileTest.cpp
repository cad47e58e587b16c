#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "engine/SettingsFile.h"
#include "tests/support/ScratchFolder.h"

namespace ordersrv {

namespace {

const std::string kDelimiter(1, plat::kPathDelimiter);

class SettingsFileTest : public ::testing::Test {
protected:
    SettingsFileTest()
        : scratch_("settings"), folder_(plat::WithTrailingDelimiter(scratch_.Path())),
          path_(folder_ + "ORDERSRV.INI") {}

    void Write(const std::string& content) { ASSERT_TRUE(plat::WriteWholeFile(path_, content)); }

    std::string Read() {
        std::string content;
        EXPECT_TRUE(plat::ReadWholeFile(path_, content));
        return content;
    }

    // Loads into settings that first hold the window's start values.
    Settings Load(std::vector<std::string>* logged = nullptr) {
        Settings settings;
        settings.acceptOrders = true;
        settings.stopToStopLimit = false;
        LoadSettingsFile(path_, settings, [logged](const std::string& line) {
            if (logged) logged->push_back(line);
        });
        return settings;
    }

    testsupport::ScratchFolder scratch_;
    const std::string folder_;
    const std::string path_;
};

TEST(SettingsFilePath, FolderOfTheExecutableAndItsNameUpperCasedBeforeTheFirstDot) {
    const std::string folder = "srv" + kDelimiter + "bin" + kDelimiter;
    EXPECT_EQ(SettingsFilePath(folder + "Order.Srv.exe"), folder + "ORDER.INI");
    EXPECT_EQ(SettingsFilePath(folder + "orderServer.exe"), folder + "ORDERSERVER.INI");
    EXPECT_EQ(SettingsFilePath(folder + "noext"), folder + "NOEXT.INI");
    EXPECT_EQ(SettingsFilePath("srv\xe9.exe"), "SRV\xe9.INI");  // only a to z change
}

TEST_F(SettingsFileTest, NoFileGivesTheFirstStartDefaults) {
    const Settings s = Load();
    EXPECT_EQ(s.location, "c:\\program files\\ninjatrader 5");
    EXPECT_EQ(s.account, "SIM101");
    EXPECT_TRUE(s.acceptOrders);
    EXPECT_TRUE(s.stopToStopLimit);
}

TEST_F(SettingsFileTest, EmptyFileGivesTheMissingKeyDefaults) {
    Write("");
    const Settings s = Load();
    EXPECT_EQ(s.location, "c:\\program files\\ninjatrader 4");
    EXPECT_EQ(s.account, "SIM-101");
    EXPECT_FALSE(s.acceptOrders);
    EXPECT_FALSE(s.stopToStopLimit);
}

TEST_F(SettingsFileTest, KeysMatchAnyCaseAndTheFirstLineWins) {
    Write("[section]\r\naccount=  Sim 1  \nACCOUNT=second\rlocation=d:\\nt=8\r\n"
          "acceptorders=1\r\nStopToStopLimit=1\r\nStopToStopLimit=0\r\n");
    const Settings s = Load();
    EXPECT_EQ(s.account, "  Sim 1  ");  // untrimmed
    EXPECT_EQ(s.location, "d:\\nt=8");
    EXPECT_TRUE(s.acceptOrders);
    EXPECT_TRUE(s.stopToStopLimit);
}

TEST_F(SettingsFileTest, SwitchesAreOnOnlyForTheSingleCharacterOne) {
    for (const char* value : {"true", " 1", "1 ", "11", "0", ""}) {
        Write(std::string("AcceptOrders=") + value + "\r\nStopToStopLimit=" + value + "\r\n");
        const Settings s = Load();
        EXPECT_FALSE(s.acceptOrders) << '"' << value << '"';
        EXPECT_FALSE(s.stopToStopLimit) << '"' << value << '"';
    }
}

TEST_F(SettingsFileTest, AZeroByteEndsTheText) {
    Write(std::string("Account=A1\r\nAcceptOrders=1") + '\0' + "\r\nLocation=x\r\n");
    const Settings s = Load();
    EXPECT_EQ(s.account, "A1");
    EXPECT_TRUE(s.acceptOrders);
    EXPECT_EQ(s.location, "c:\\program files\\ninjatrader 4");
}

TEST_F(SettingsFileTest, AnAccountThatCouldBreakAnInstructionLineIsRefused) {
    for (const std::string& account : std::vector<std::string>{"SIM;101", "SIM\t1", "A\x1f"}) {
        Write("Account=" + account + "\r\nAcceptOrders=1\r\n");
        std::vector<std::string> logged;
        const Settings s = Load(&logged);
        EXPECT_EQ(s.account, "SIM-101");
        EXPECT_TRUE(s.acceptOrders);
        ASSERT_EQ(logged.size(), 1u);
        EXPECT_EQ(logged[0], "Settings <" + path_ +
                                 "> account refused: it holds a character an instruction line "
                                 "cannot carry");
    }
    std::vector<std::string> logged;
    Write("Account=Sim 101 \r\n");
    EXPECT_EQ(Load(&logged).account, "Sim 101 ");
    EXPECT_TRUE(logged.empty());
}

TEST_F(SettingsFileTest, SaveWritesTheFourKeysInOrderWithCrLf) {
    Settings s;
    s.account = "SIM101";
    s.location = "c:\\program files\\ninjatrader 5";
    s.acceptOrders = true;
    s.stopToStopLimit = true;
    Write("Other=kept?\r\n");
    SaveSettingsFile(path_, s);
    EXPECT_EQ(Read(),
              "Account=SIM101\r\nLocation=c:\\program files\\ninjatrader 5\r\n"
              "AcceptOrders=1\r\nStopToStopLimit=1\r\n");

    s.account.clear();
    s.location.clear();
    s.acceptOrders = false;
    s.stopToStopLimit = false;
    SaveSettingsFile(path_, s);
    EXPECT_EQ(Read(), "AcceptOrders=0\r\nStopToStopLimit=0\r\n");
    const Settings reloaded = Load();
    EXPECT_EQ(reloaded.account, "SIM-101");
    EXPECT_FALSE(reloaded.acceptOrders);
}

TEST_F(SettingsFileTest, SaveThenLoadKeepsTheSettings) {
    Settings s;
    s.account = "Sim101";
    s.location = "d:\\nt8";
    s.acceptOrders = false;
    s.stopToStopLimit = true;
    SaveSettingsFile(path_, s);
    const Settings loaded = Load();
    EXPECT_EQ(loaded.account, "Sim101");
    EXPECT_EQ(loaded.location, "d:\\nt8");
    EXPECT_FALSE(loaded.acceptOrders);
    EXPECT_TRUE(loaded.stopToStopLimit);
}

// An 8-bit code page that is not UTF-8, as Windows' 1252 is: ASCII and "é" (0xE9) alone.
std::string ToyToUtf8(const std::string& text) {
    std::string utf8;
    for (const char c : text) utf8 += c == '\xE9' ? std::string("\xC3\xA9") : std::string(1, c);
    return utf8;
}

bool Utf8ToToy(const std::string& text, std::string& toy) {
    toy.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            toy += text[i];
        } else if (text.compare(i, 2, "\xC3\xA9") == 0) {
            toy += '\xE9';
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

constexpr plat::CodePage kToy{ToyToUtf8, Utf8ToToy};

TEST(SettingsFileEncoding, CodePageUnlessAValueNeedsUtf8AfterAByteOrderMark) {
    const std::string cafe = "Location=C:\\Café\r\n", lodz = "Location=C:\\Trader Łódź\r\n";
    // Read: the code page's bytes, or UTF-8 after the mark (the mark is no part of the text).
    EXPECT_EQ(SettingsFileText("Location=C:\\Caf\xE9\r\n", kToy), cafe);
    EXPECT_EQ(SettingsFileText("\xEF\xBB\xBF" + lodz, kToy), lodz);
    EXPECT_EQ(SettingsFileText("\xEF\xBB\xBF" + cafe, kToy), cafe);
    // Written: in the code page while it holds every character, so other programs read the
    // file as before; else UTF-8 after the mark, never "?" in place of a letter.
    EXPECT_EQ(SettingsFileBytes(cafe, kToy), "Location=C:\\Caf\xE9\r\n");
    EXPECT_EQ(SettingsFileBytes(lodz, kToy), "\xEF\xBB\xBF" + lodz);
    EXPECT_EQ(SettingsFileText(SettingsFileBytes(lodz, kToy), kToy), lodz);
}

TEST_F(SettingsFileTest, ByteOrderMarkOfAFileSavedByNotepadIsNoPartOfTheFirstKey) {
    Write("\xEF\xBB\xBF" "Account=A1\r\nLocation=x\r\nAcceptOrders=1\r\nStopToStopLimit=1\r\n");
    const Settings s = Load();
    EXPECT_EQ(s.account, "A1");
    EXPECT_EQ(s.location, "x");
}

}  // namespace

}  // namespace ordersrv
