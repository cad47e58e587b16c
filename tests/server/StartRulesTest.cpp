// The portable rules of the server's start: switches, instance names, the registry table.
#include <gtest/gtest.h>

#include "server/InstanceName.h"
#include "server/RegistryTable.h"
#include "server/StartMode.h"

namespace ordersrv {

TEST(StartMode, SwitchesAreWholeWordsLedByDashOrSlashInAnyCase) {
    EXPECT_TRUE(IsCommandLineSwitch("/RegServer", "REGSERVER"));
    EXPECT_TRUE(IsCommandLineSwitch("-regserver", "REGSERVER"));
    EXPECT_FALSE(IsCommandLineSwitch("-regserverx", "REGSERVER"));
    EXPECT_FALSE(IsCommandLineSwitch("regserver", "REGSERVER"));
    EXPECT_FALSE(IsCommandLineSwitch("--regserver", "REGSERVER"));
    EXPECT_FALSE(IsCommandLineSwitch("/", "REGSERVER"));
    EXPECT_FALSE(IsCommandLineSwitch("", "REGSERVER"));
}

TEST(StartMode, ModeFollowsTheSwitchesByPriorityWhereverTheyStand) {
    using V = std::vector<std::string>;
    EXPECT_EQ(StartModeFromArguments(V{}), StartMode::Standalone);
    EXPECT_EQ(StartModeFromArguments(V{"other", "/x"}), StartMode::Standalone);
    EXPECT_EQ(StartModeFromArguments(V{"-Embedding"}), StartMode::Automation);
    EXPECT_EQ(StartModeFromArguments(V{"x", "/AUTOMATION"}), StartMode::Automation);
    EXPECT_EQ(StartModeFromArguments(V{"/regserver", "-embedding"}), StartMode::Automation);
    EXPECT_EQ(StartModeFromArguments(V{"/unregserver", "-RegServer"}), StartMode::Register);
    EXPECT_EQ(StartModeFromArguments(V{"/UnRegServer"}), StartMode::Unregister);
    EXPECT_EQ(StartModeFromArguments(V{"-regserverx", "/unregserverx"}), StartMode::Standalone);
    EXPECT_EQ(StartModeFromArguments(V{"/RegServerPerUser"}), StartMode::RegisterPerUser);
    EXPECT_EQ(StartModeFromArguments(V{"-unregserverperuser"}), StartMode::UnregisterPerUser);
    EXPECT_EQ(StartModeFromArguments(V{"/RegServerPerUser", "/RegServer"}), StartMode::Register);
}

TEST(InstanceName, TitleIsTheFileNameCutAtTheFirstDotAndLowerCasedAfterTheFirstChar) {
    EXPECT_EQ(ApplicationTitleFromPath("C:\\Program Files\\Apps\\OrderSrv.EXE"), "Ordersrv");
    EXPECT_EQ(ApplicationTitleFromPath("/opt/x/orderSRV.v2.exe"), "ordersrv");
    EXPECT_EQ(ApplicationTitleFromPath("C:OrderSrv"), "Ordersrv");
    EXPECT_EQ(ApplicationTitleFromPath(".hidden"), "");
    EXPECT_EQ(InstanceMutexName("D:\\a.b\\OrderSrv.exe"), "PREVINST:Ordersrv");
}

TEST(RegistryTable, SevenKeysInOrderAndDeletedChildrenFirst) {
    const std::string clsid = "{C}", libid = "{L}";
    const auto entries = ServerRegistryEntries(clsid, libid, "C:\\S\\ORDERSRV.EXE");
    ASSERT_EQ(entries.size(), 7u);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"CLSID\\{C}", "OrderServer Object"},
        {"CLSID\\{C}\\LocalServer32", "C:\\S\\ORDERSRV.EXE"},
        {"Quillmere.OrderServer", "OrderServer Object"},
        {"Quillmere.OrderServer\\Clsid", "{C}"},
        {"CLSID\\{C}\\ProgID", "Quillmere.OrderServer"},
        {"CLSID\\{C}\\Version", "1.0"},
        {"CLSID\\{C}\\TypeLib", "{L}"},
    };
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(entries[i].key, expected[i].first);
        EXPECT_EQ(entries[i].defaultValue, expected[i].second);
    }
    const std::vector<std::string> deleted = {
        "CLSID\\{C}\\TypeLib",          "CLSID\\{C}\\Version", "CLSID\\{C}\\ProgID",
        "Quillmere.OrderServer\\Clsid", "Quillmere.OrderServer",
        "CLSID\\{C}\\LocalServer32",    "CLSID\\{C}"};
    EXPECT_EQ(ServerRegistryKeysToDelete(clsid), deleted);
    EXPECT_TRUE(NeedsShortPath("C:\\Program Files\\OrderSrv.exe"));
    EXPECT_FALSE(NeedsShortPath("C:\\Apps\\OrderSrv.exe"));
}

}  // namespace ordersrv
