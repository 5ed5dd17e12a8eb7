#pragma once
// The 36-byte rendezvous block that the daemon and its clients share
// (little-endian on this platform). Fields are atomics so that processes
// reading without the mutex see whole values; every change is made under
// the rendezvous mutex.
#include <atomic>
#include <cstddef>
#include <cstdint>

struct IPCBlock {
    std::atomic<int32_t> primaryProcessId;    // keeps the block tidy; -1 none
    std::atomic<int32_t> ownerProcessId;      // the daemon; -1 none
    std::atomic<int32_t> requesterProcessId;  // asked for the database; -1 none
    std::atomic<int32_t> reserved0;
    std::atomic<int32_t> layout;              // 3; 0 in a block nobody set up
    std::atomic<uint8_t> attachCount;
    uint8_t unused21[3];
    std::atomic<int32_t> refuse;              // non-zero: clients must not attach
    std::atomic<uint8_t> reserved28;
    uint8_t unused29[3];
    std::atomic<int32_t> port;                // the owner's loopback port; 0 none

    static constexpr int32_t kLayout = 3;
};

static_assert(sizeof(IPCBlock) == 36, "the rendezvous block is 36 bytes");
static_assert(offsetof(IPCBlock, layout) == 16 && offsetof(IPCBlock, attachCount) == 20 &&
                  offsetof(IPCBlock, refuse) == 24 && offsetof(IPCBlock, reserved28) == 28 &&
                  offsetof(IPCBlock, port) == 32,
              "rendezvous block offsets");
static_assert(std::atomic<int32_t>::is_always_lock_free && std::atomic<uint8_t>::is_always_lock_free,
              "the block's atomics must work between processes");
