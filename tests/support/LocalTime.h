#pragma once
// A local time for the platform to report, from its calendar fields.

#include <ctime>

namespace numerion::testing {

// month 1..12; weekday and day of the year stay 0 where a test does not need them.
inline std::tm localTimeOf(int year, int month, int day, int hour, int minute, int second) {
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

}  // namespace numerion::testing
