#include "foundation/text/TTimeDate.h"

#include <ctime>

TTimeDate::~TTimeDate() = default;

void TTimeDate::Set(const Fields& f) {
    uint32_t time = (f.millisecond & 0x7F) | (f.second & 0x3F) << 7 | (f.minute & 0x3F) << 13 |
                    (f.hour & 0x1F) << 19;
    uint32_t date = (f.dayOfWeek & 0x7) | (f.day & 0x1F) << 3 | (f.month & 0xF) << 8 | (f.year & 0xFFF) << 12;
    m_time = (m_time & 0xFF000000u) | time;
    m_date = (m_date & 0xFF000000u) | date;
}

void TTimeDate::SetToLocalTime() { Set(ReadLocalClock()); }

TTimeDate::Fields TTimeDate::ReadLocalClock() {
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm local {};
    time_t seconds = now.tv_sec;
    localtime_r(&seconds, &local);
    Fields f;
    f.year = static_cast<uint32_t>(local.tm_year + 1900);
    f.month = static_cast<uint32_t>(local.tm_mon + 1);
    f.day = static_cast<uint32_t>(local.tm_mday);
    f.dayOfWeek = static_cast<uint32_t>(local.tm_wday);
    f.hour = static_cast<uint32_t>(local.tm_hour);
    f.minute = static_cast<uint32_t>(local.tm_min);
    // A leap second (60) is counted as 59, keeping the field in its 0-59 range.
    f.second = static_cast<uint32_t>(local.tm_sec > 59 ? 59 : local.tm_sec);
    f.millisecond = static_cast<uint32_t>(now.tv_nsec / 1000000);
    return f;
}
