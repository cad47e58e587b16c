#include "server/StartMode.h"

#include <algorithm>
#include <cctype>

namespace ordersrv {

namespace {

char UpperAscii(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool AnyArgumentIsSwitch(const std::vector<std::string>& arguments, const std::string& word) {
    return std::any_of(arguments.begin(), arguments.end(),
                       [&](const std::string& a) { return IsCommandLineSwitch(a, word); });
}

}  // namespace

bool IsCommandLineSwitch(const std::string& argument, const std::string& word) {
    if (argument.size() != word.size() + 1) return false;
    if (argument[0] != '-' && argument[0] != '/') return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (UpperAscii(argument[i + 1]) != UpperAscii(word[i])) return false;
    return true;
}

StartMode StartModeFromArguments(const std::vector<std::string>& arguments) {
    if (AnyArgumentIsSwitch(arguments, "AUTOMATION") || AnyArgumentIsSwitch(arguments, "EMBEDDING"))
        return StartMode::Automation;
    if (AnyArgumentIsSwitch(arguments, "REGSERVER")) return StartMode::Register;
    if (AnyArgumentIsSwitch(arguments, "UNREGSERVER")) return StartMode::Unregister;
    if (AnyArgumentIsSwitch(arguments, "REGSERVERPERUSER")) return StartMode::RegisterPerUser;
    if (AnyArgumentIsSwitch(arguments, "UNREGSERVERPERUSER")) return StartMode::UnregisterPerUser;
    return StartMode::Standalone;
}

}  // namespace ordersrv
