#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace ordersrv {

namespace testsupport {

ScratchFolder::ScratchFolder(const std::string& prefix) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = prefix + "-" + info->test_suite_name() + "-" + info->name();
    std::replace(name.begin(), name.end(), '/', '-');
    std::error_code ignored;
    std::filesystem::remove_all(name, ignored);
    std::filesystem::create_directories(name);
    path_ = std::filesystem::absolute(name).string();
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace testsupport

}  // namespace ordersrv
