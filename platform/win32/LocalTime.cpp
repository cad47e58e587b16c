#include "platform/DateTime.h"

#include <windows.h>

#include "platform/win32/WideText.h"

namespace plat {

double NowDateTime() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    DateTimeParts p;
    p.year = st.wYear;
    p.month = st.wMonth;
    p.day = st.wDay;
    p.hour = st.wHour;
    p.minute = st.wMinute;
    p.second = st.wSecond;
    return EncodeDateTime(p) + st.wMilliseconds / 86400000.0;
}

namespace {

std::string LocaleText(LCTYPE what, const char* fallback) {
    wchar_t buffer[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, what, buffer, 8) > 1) return Utf8Text(buffer);
    return fallback;
}

}  // namespace

std::string DateSeparator() { return LocaleText(LOCALE_SDATE, "/"); }
std::string TimeSeparator() { return LocaleText(LOCALE_STIME, ":"); }
std::string DecimalSeparator() { return LocaleText(LOCALE_SDECIMAL, "."); }

}  // namespace plat
