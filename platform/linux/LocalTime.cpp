#include "platform/DateTime.h"

#include <chrono>
#include <ctime>

namespace plat {

double NowDateTime() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    DateTimeParts p;
    p.year = local.tm_year + 1900;
    p.month = local.tm_mon + 1;
    p.day = local.tm_mday;
    p.hour = local.tm_hour;
    p.minute = local.tm_min;
    p.second = local.tm_sec;
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    return EncodeDateTime(p) + static_cast<double>(ms) / 86400000.0;
}

std::string DateSeparator() { return "/"; }
std::string TimeSeparator() { return ":"; }
std::string DecimalSeparator() { return "."; }

}  // namespace plat
