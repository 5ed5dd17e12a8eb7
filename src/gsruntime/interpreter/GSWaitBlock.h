#pragma once
// GSWaitBlock: one (major, minor) pair a waiting thread is blocked on, with
// the code offset of its handler. Ids are the router's message type ids;
// a minor id of 1 (the empty name) matches every minor.
#include <cstdint>

namespace GSRuntime {

struct GSWaitBlock {
    uint16_t major = 0;
    uint16_t minor = 0;
    int32_t handler = 0;  // code offset in the waiting function
};

}  // namespace GSRuntime
