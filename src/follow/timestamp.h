// The time stamp line that "時刻挿入" writes, and the clock it reads, which tests can set.
#pragma once
#include <functional>
#include <string>

namespace zr {

struct LocalTime {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;
    int hour = 0;  // 0..23
    int minute = 0;
    int second = 0;
};

// "#yyyy-mm-dd hh:mm:ss#", or "#yyyy-mm-dd#" at exactly midnight. No line end.
std::wstring FormatTimeStamp(const LocalTime& t);

// The local time now, from the system clock unless a test installed another.
LocalTime CurrentLocalTime();
// Replaces the clock; an empty function puts the system clock back.
void SetClock(std::function<LocalTime()> clock);

}  // namespace zr
