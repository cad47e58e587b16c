#include "ui/ViewFormat.h"

#include <cstdio>

#include "platform/DateTime.h"

namespace ordersrv {

namespace views {
namespace {

std::string TwoDigits(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

std::string ClockOf(const plat::DateTimeParts& parts) {
    const std::string sep = plat::TimeSeparator();
    return TwoDigits(parts.hour) + sep + TwoDigits(parts.minute) + sep + TwoDigits(parts.second);
}

}  // namespace

std::string FormatPrice(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", value);
    std::string result = text;
    // A tiny negative value rounds to zero; it shows as zero, not as "-0.0000".
    if (result == "-0.0000") result.erase(0, 1);
    const auto point = result.find('.');
    if (point != std::string::npos) result.replace(point, 1, plat::DecimalSeparator());
    return result;
}

std::string FormatMonthDayTime(double dateTime) {
    const plat::DateTimeParts parts = plat::DecodeDateTime(dateTime);
    return std::to_string(parts.month) + plat::DateSeparator() + std::to_string(parts.day) + " " +
           ClockOf(parts);
}

std::string FormatClockTime(double dateTime) {
    return ClockOf(plat::DecodeDateTime(dateTime));
}

}  // namespace views

}  // namespace ordersrv
