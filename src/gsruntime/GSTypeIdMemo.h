#pragma once
// GSTypeIdMemo: a message type id remembered for one name, with the type
// table it came from. A router's type table gives a name the same id until
// the table is emptied (GSRouter::Done) or the router goes; every table,
// and every emptying of one, has its own serial number (never 0, never
// reused in the process), so a memo whose serial is the router's current
// one still holds that router's id for the name.
#include <cstdint>

namespace GSRuntime {

struct GSTypeIdMemo {
    uint64_t table = 0;  // the serial of the type table; 0 for none
    uint16_t id = 0;
};

}  // namespace GSRuntime
