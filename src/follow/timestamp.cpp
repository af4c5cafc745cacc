#include "follow/timestamp.h"

#include <cstdio>
#include <ctime>

namespace zr {
namespace {

std::function<LocalTime()>& Clock() {
    static std::function<LocalTime()> clock;
    return clock;
}

LocalTime SystemLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &now);
#else
    localtime_r(&now, &tm);
#endif
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace

std::wstring FormatTimeStamp(const LocalTime& t) {
    wchar_t buf[64];
    if (t.hour == 0 && t.minute == 0 && t.second == 0) {
        std::swprintf(buf, 64, L"#%04d-%02d-%02d#", t.year, t.month, t.day);
    } else {
        std::swprintf(buf, 64, L"#%04d-%02d-%02d %02d:%02d:%02d#", t.year, t.month, t.day, t.hour,
                      t.minute, t.second);
    }
    return buf;
}

LocalTime CurrentLocalTime() {
    return Clock() ? Clock()() : SystemLocalTime();
}

void SetClock(std::function<LocalTime()> clock) {
    Clock() = std::move(clock);
}

}  // namespace zr
