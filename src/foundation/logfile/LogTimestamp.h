#pragma once
// Time stamps of the log-file writer: dates as yyyymmdd numbers and times of
// day relative to a base date's midnight.
#include <cstddef>
#include <cstdint>

// The process-wide time-stamp settings. The switch is off unless a caller
// turns it on; the base time is a reading of the engine clock (seconds).
struct LogTimestampSettings {
    static bool IsEnabled();
    static void SetEnabled(bool enabled);
    static int32_t BaseDate();
    static double BaseTime();
    // Sets the base date (yyyymmdd) and the clock reading it stands for.
    static void SetBase(int32_t date, double time);
    // The seconds since the base: the engine clock minus the base time.
    static double SecondsSinceBase();
};

// The date `days` days after (or before) a yyyymmdd date, in the Gregorian
// calendar. A date that names no real day is returned unchanged.
int32_t AddDays(int32_t date, int64_t days);

// Writes "yy.mm.dd  hh:mm:ss.cc| " for a moment `seconds` after the base
// date's midnight (negative: before it) into buffer (at most size bytes with
// the NUL); returns the length written.
int FormatTimestamp(char* buffer, std::size_t size, double seconds);
