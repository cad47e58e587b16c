#pragma once
// How the process was started, read once from the command line.
#include <string>
#include <vector>

namespace ordersrv {

enum class StartMode {
    Standalone,  // started by the user
    Automation,  // started by COM for a client: ends after the last release
    Register,    // writes the registration and ends
    Unregister,  // removes the registration and ends
    RegisterPerUser,    // the same for the current user only (no administrator needed)
    UnregisterPerUser,
};

// True when the argument is the switch word led by "-" or "/", in any letter case, and
// nothing else ("-regserverx" is no switch).
bool IsCommandLineSwitch(const std::string& argument, const std::string& word);

// Reads the start mode from the arguments (the program name excluded). AUTOMATION and
// EMBEDDING win over REGSERVER, which wins over UNREGSERVER, then REGSERVERPERUSER and
// UNREGSERVERPERUSER; positions do not matter.
StartMode StartModeFromArguments(const std::vector<std::string>& arguments);

}  // namespace ordersrv
