#pragma once
// An error that ends the start of the server: shown in a message box, exit code 1.
#include <stdexcept>
#include <string>

namespace ordersrv {

class StartupError : public std::runtime_error {
public:
    StartupError(const std::string& name, const std::string& message)
        : std::runtime_error(message), name_(name) {}
    const std::string& Name() const { return name_; }

private:
    std::string name_;
};

inline const char* const kRegistryErrorText = "Error creating system registry entry";

}  // namespace ordersrv
