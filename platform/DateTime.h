#pragma once
#include <string>

namespace plat {

// Local date and time as days since 30 December 1899 (the OLE date), fraction = time of day.
double NowDateTime();

struct DateTimeParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
};

// Joins calendar parts into an OLE date.
double EncodeDateTime(const DateTimeParts& parts);

// Splits an OLE date into calendar parts (seconds rounded to the nearest second).
DateTimeParts DecodeDateTime(double dateTime);

// The system's separators for dates and times, and its decimal separator ('/', ':', '.' natively).
std::string DateSeparator();
std::string TimeSeparator();
std::string DecimalSeparator();

}  // namespace plat
