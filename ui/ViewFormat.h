#pragma once
// Number and time texts of the monitor, with the system's separators.
#include <string>

namespace ordersrv {

namespace views {

// "0.0000": rounded to four decimals, the system's decimal separator, no thousands separators.
std::string FormatPrice(double value);

// "m/d hh:nn:ss": month and day without leading zeros; the year is not shown.
std::string FormatMonthDayTime(double dateTime);

// "hh:nn:ss", 24-hour clock.
std::string FormatClockTime(double dateTime);

}  // namespace views

}  // namespace ordersrv
