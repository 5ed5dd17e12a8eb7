#include "foundation/text/TTimeDate.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

TEST(TTimeDate, PacksFieldsIntoTheirBits) {
    TTimeDate t;
    TTimeDate::Fields f;
    f.hour = 13;
    f.minute = 45;
    f.second = 30;
    f.millisecond = 250;
    f.year = 2024;
    f.month = 2;
    f.day = 29;
    f.dayOfWeek = 4;
    t.Set(f);
    EXPECT_EQ(t.GetTimeWord() & 0x7F, 122u);  // 250 modulo 128
    EXPECT_EQ(t.GetTimeWord(), 122u | 30u << 7 | 45u << 13 | 13u << 19);
    EXPECT_EQ(t.GetDateWord(), 4u | 29u << 3 | 2u << 8 | 2024u << 12);
    EXPECT_EQ(t.Hour(), 13u);
    EXPECT_EQ(t.Minute(), 45u);
    EXPECT_EQ(t.Second(), 30u);
    EXPECT_EQ(t.Millisecond(), 122u);
    EXPECT_EQ(t.Year(), 2024u);
    EXPECT_EQ(t.Month(), 2u);
    EXPECT_EQ(t.Day(), 29u);
    EXPECT_EQ(t.DayOfWeek(), 4u);
}

TEST(TTimeDate, MasksEachFieldAndKeepsTheTopByte) {
    TTimeDate t(0xAB000000u, 0xCD000000u);
    TTimeDate::Fields f;
    f.millisecond = 999;  // 999 & 0x7F = 103
    f.second = 0x7F;      // 6 bits
    f.minute = 0x40 | 5;  // 6 bits
    f.hour = 0x20 | 23;   // 5 bits
    f.dayOfWeek = 8 | 6;  // 3 bits
    f.day = 0x20 | 31;    // 5 bits
    f.month = 0x10 | 12;  // 4 bits
    f.year = 4096 + 95;   // 12 bits
    t.Set(f);
    EXPECT_EQ(t.GetTimeWord() >> 24, 0xABu);
    EXPECT_EQ(t.GetDateWord() >> 24, 0xCDu);
    EXPECT_EQ(t.Millisecond(), 103u);
    EXPECT_EQ(t.Second(), 0x3Fu);
    EXPECT_EQ(t.Minute(), 5u);
    EXPECT_EQ(t.Hour(), 23u);
    EXPECT_EQ(t.DayOfWeek(), 6u);
    EXPECT_EQ(t.Day(), 31u);
    EXPECT_EQ(t.Month(), 12u);
    EXPECT_EQ(t.Year(), 95u);
}

TEST(TTimeDate, SetToLocalTimeReadsTheLocalClock) {
    // Retry when the clock ticks over a second between the two readings.
    // They read the clock the program reads: time() may read a coarser one
    // that is still in the last second when the program's is in the next.
    auto seconds = [] {
        struct timespec now {};
        clock_gettime(CLOCK_REALTIME, &now);
        return now.tv_sec;
    };
    for (int attempt = 0; attempt < 5; ++attempt) {
        time_t before = seconds();
        TTimeDate t(0x12000000u, 0x34000000u);
        t.SetToLocalTime();
        time_t after = seconds();
        if (before != after) continue;
        struct tm local {};
        localtime_r(&before, &local);
        EXPECT_EQ(t.Year(), static_cast<uint32_t>(local.tm_year + 1900));
        EXPECT_EQ(t.Month(), static_cast<uint32_t>(local.tm_mon + 1));
        EXPECT_EQ(t.Day(), static_cast<uint32_t>(local.tm_mday));
        EXPECT_EQ(t.DayOfWeek(), static_cast<uint32_t>(local.tm_wday));
        EXPECT_EQ(t.Hour(), static_cast<uint32_t>(local.tm_hour));
        EXPECT_EQ(t.Minute(), static_cast<uint32_t>(local.tm_min));
        EXPECT_EQ(t.Second(), static_cast<uint32_t>(local.tm_sec));
        EXPECT_EQ(t.GetTimeWord() >> 24, 0x12u);
        EXPECT_EQ(t.GetDateWord() >> 24, 0x34u);
        return;
    }
    FAIL() << "the clock never held still for one reading";
}

}  // namespace
