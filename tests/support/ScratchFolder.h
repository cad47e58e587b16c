#pragma once
// A folder of the test's own under the working folder, named after the test and emptied first;
// removed when the owner goes.
#include <string>

namespace ordersrv {

namespace testsupport {

class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return path_; }  // absolute, without a trailing delimiter

private:
    std::string path_;
};

}  // namespace testsupport

}  // namespace ordersrv
