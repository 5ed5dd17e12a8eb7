#pragma once
// A local date and time packed into two 32-bit words.
//
// time: bits 0-6 milliseconds modulo 128, 7-12 second, 13-18 minute,
//       19-23 hour;
// date: bits 0-2 day of the week (0 = Sunday), 3-7 day of the month,
//       8-11 month (1-12), 12-23 year.
// Setting the time or the date keeps bits 24-31 of its word.
#include <cstdint>

class TTimeDate {
public:
    // A broken-down local time, as the clock gives it.
    struct Fields {
        uint32_t year = 0;
        uint32_t month = 0;  // 1-12
        uint32_t day = 0;    // day of the month, 1-31
        uint32_t dayOfWeek = 0;  // 0 = Sunday
        uint32_t hour = 0;
        uint32_t minute = 0;
        uint32_t second = 0;
        uint32_t millisecond = 0;
    };

    TTimeDate() = default;
    TTimeDate(uint32_t timeWord, uint32_t dateWord) : m_time(timeWord), m_date(dateWord) {}
    virtual ~TTimeDate();

    // Reads the local clock and stores it.
    void SetToLocalTime();
    // Stores the given fields, each masked to its width.
    void Set(const Fields& fields);

    // The local clock now (time zone of the process).
    static Fields ReadLocalClock();

    uint32_t GetTimeWord() const { return m_time; }
    uint32_t GetDateWord() const { return m_date; }

    uint32_t Millisecond() const { return m_time & 0x7F; }  // modulo 128
    uint32_t Second() const { return (m_time >> 7) & 0x3F; }
    uint32_t Minute() const { return (m_time >> 13) & 0x3F; }
    uint32_t Hour() const { return (m_time >> 19) & 0x1F; }
    uint32_t DayOfWeek() const { return m_date & 0x7; }
    uint32_t Day() const { return (m_date >> 3) & 0x1F; }
    uint32_t Month() const { return (m_date >> 8) & 0xF; }
    uint32_t Year() const { return (m_date >> 12) & 0xFFF; }

private:
    uint32_t m_time = 0;
    uint32_t m_date = 0;
};
