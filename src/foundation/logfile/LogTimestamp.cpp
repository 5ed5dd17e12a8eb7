#include "foundation/logfile/LogTimestamp.h"

#include <cmath>
#include <cstdio>

#include "engine/Time.h"

namespace {

bool g_enabled = false;
int32_t g_baseDate = 19700101;
double g_baseTime = 0.0;

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int64_t& m, int64_t& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp + (mp < 10 ? 3 : -9);
    y = yoe + era * 400 + (m <= 2);
}

}  // namespace

bool LogTimestampSettings::IsEnabled() { return g_enabled; }
void LogTimestampSettings::SetEnabled(bool enabled) { g_enabled = enabled; }
int32_t LogTimestampSettings::BaseDate() { return g_baseDate; }
double LogTimestampSettings::BaseTime() { return g_baseTime; }

void LogTimestampSettings::SetBase(int32_t date, double time) {
    g_baseDate = date;
    g_baseTime = time;
}

double LogTimestampSettings::SecondsSinceBase() { return Vek::Time::GetSeconds() - g_baseTime; }

int32_t AddDays(int32_t date, int64_t days) {
    const int64_t year = date / 10000;
    const int64_t month = date / 100 % 100;
    const int64_t day = date % 100;
    // The calendar conversion accepts only real days of the years 1601 to 30827.
    if (year < 1601 || year > 30827 || month < 1 || month > 12 || day < 1) return date;
    int64_t y = 0, m = 0, d = 0;
    const int64_t serial = DaysFromCivil(year, month, day);
    CivilFromDays(serial, y, m, d);
    if (y != year || m != month || d != day) return date;
    CivilFromDays(serial + days, y, m, d);
    if (y < 1601 || y > 30827) return date;
    return static_cast<int32_t>(y * 10000 + m * 100 + d);
}

int FormatTimestamp(char* buffer, std::size_t size, double seconds) {
    if (!buffer || size == 0) return 0;
    // Beyond about 300000 years the calendar has nothing to say.
    if (!(std::fabs(seconds) < 1e13)) seconds = 0.0;
    const double dayOffset = std::floor(seconds / 86400.0);
    const int32_t date = AddDays(LogTimestampSettings::BaseDate(), static_cast<int64_t>(dayOffset));
    const double t = seconds - dayOffset * 86400.0;
    const int written = std::snprintf(buffer, size, "%02d.%02d.%02d  %02d:%02d:%02d.%02d| ", date / 10000 % 100,
                                      date / 100 % 100, date % 100, static_cast<int>(t / 3600.0),
                                      static_cast<int>(t / 60.0) % 60, static_cast<int>(std::fmod(t, 60.0)),
                                      static_cast<int>(std::fmod(t * 100.0, 100.0)));
    if (written < 0) return 0;
    return static_cast<std::size_t>(written) < size ? written : static_cast<int>(size - 1);
}
