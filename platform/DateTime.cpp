#include "platform/DateTime.h"

#include <cmath>
#include <cstdint>

namespace plat {

namespace {

// Days from 1970-01-01 to a civil date and back (proleptic Gregorian calendar).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

const int64_t kOleEpochDays = DaysFromCivil(1899, 12, 30);

}  // namespace

double EncodeDateTime(const DateTimeParts& p) {
    const double days = static_cast<double>(DaysFromCivil(p.year, static_cast<unsigned>(p.month),
                                                          static_cast<unsigned>(p.day)) -
                                            kOleEpochDays);
    return days + (p.hour * 3600.0 + p.minute * 60.0 + p.second) / 86400.0;
}

DateTimeParts DecodeDateTime(double dateTime) {
    // OLE dates before the epoch count the time of day away from zero; only the run's own
    // (positive) times matter here, so the plain reading is used.
    int64_t totalSeconds = static_cast<int64_t>(std::llround(dateTime * 86400.0));
    int64_t days = totalSeconds / 86400;
    int64_t secs = totalSeconds % 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    DateTimeParts p;
    CivilFromDays(days + kOleEpochDays, p.year, p.month, p.day);
    p.hour = static_cast<int>(secs / 3600);
    p.minute = static_cast<int>(secs / 60 % 60);
    p.second = static_cast<int>(secs % 60);
    return p;
}

}  // namespace plat
