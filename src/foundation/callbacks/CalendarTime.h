#pragma once
// The calendar clock as 64-bit seconds since 1970, and its inverse from a
// broken-down local time.
#include <cstdint>
#include <ctime>

int64_t CalendarTime64();
// -1 when the broken-down time cannot be represented.
int64_t MakeCalendarTime64(std::tm* localTime);
