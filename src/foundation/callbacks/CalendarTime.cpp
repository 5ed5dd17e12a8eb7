#include "foundation/callbacks/CalendarTime.h"

int64_t CalendarTime64() { return static_cast<int64_t>(std::time(nullptr)); }

int64_t MakeCalendarTime64(std::tm* localTime) {
    if (!localTime) return -1;
    return static_cast<int64_t>(std::mktime(localTime));
}
