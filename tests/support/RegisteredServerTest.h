#pragma once
// A suite against the real OrderSrv.exe, registered in a run folder of its own for the whole
// suite: COM starts the server for each test, every test begins with none running and ends when
// the one COM started has ended by itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "tests/support/ServerProcess.h"

namespace ordersrv {

namespace testsupport {

class RegisteredServerTest : public ::testing::Test {
protected:
    // From the suite's SetUpTestSuite.
    static void RegisterServer(const std::string& serverExe, const std::string& runFolder) {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        folder = std::make_unique<ServerFolder>(serverExe, runFolder);
        folder->WriteSettings(true);
        ASSERT_EQ(folder->RunToEnd("/RegServer"), 0);
    }
    static void TearDownTestSuite() {
        folder->RunToEnd("/UnregServer");
        folder.reset();
        CoUninitialize();
    }
    void SetUp() override { ASSERT_TRUE(WaitForServerEnd(kEndMs)) << "a server still runs"; }
    void TearDown() override { EXPECT_TRUE(WaitForServerEnd(kEndMs)); }

    static constexpr DWORD kEndMs = 20000;
    inline static std::unique_ptr<ServerFolder> folder;
};

}  // namespace testsupport

}  // namespace ordersrv
