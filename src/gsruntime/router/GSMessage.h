#pragma once
// GSMessage: one routed message. It carries its major and minor type ids
// (as the router that made it numbers them), the source and destination
// node ids (destination 0: broadcast), a time word and an optional
// parameter soup. Every holder (queues, the delay heap, delivery code)
// holds one count; the message deletes itself with the last one.
//
// Time word: bits 0-29 are the delay in milliseconds while the message is
// made and its due time on the router's clock once it waits in the delay
// heap; bit 30 marks a sniffed copy (never forwarded again); bit 31 is set
// by Init.
//
// A message is made and dropped on every send: the memory of dropped ones
// is kept per thread (up to kPoolLimit blocks) for the next. Under the
// address sanitizer every message comes from the system heap, so that a use
// after the last release is still caught.
#include <cstddef>
#include <cstdint>

#include "engine/ReferenceCount.h"
#include "foundation/soups/SoupHandle.h"

namespace GSRuntime {

class GSMessage : public Vek::ReferenceCount {
public:
    static constexpr uint32_t kTimeMask = 0x3FFFFFFFu;
    static constexpr uint32_t kSniffedBit = 0x40000000u;
    static constexpr uint32_t kInitBit = 0x80000000u;
    static constexpr std::size_t kPoolLimit = 256;

    static void* operator new(std::size_t size);
    static void operator delete(void* block, std::size_t size) noexcept;

    // A new message with one count and no parameter.
    static GSMessage* Create() { return new GSMessage(); }
    // Stores the fields; time word = (delay & kTimeMask) | kInitBit.
    void Init(uint32_t delay, uint16_t major, uint16_t minor, int32_t source, int32_t destination);
    // A new message (one count) with the same fields, the whole time word
    // and the same (shared) parameter.
    GSMessage* Clone() const;

    uint16_t major = 0;
    uint16_t minor = 0;
    int32_t source = 0;
    int32_t destination = 0;
    uint32_t timeWord = 0;
    SoupHandle parameter;

    uint32_t DueTime() const { return timeWord & kTimeMask; }
    // The delay heap's key.
    uint32_t GetPriorityKey() const { return DueTime(); }

protected:
    GSMessage() = default;
    ~GSMessage() override = default;
};

}  // namespace GSRuntime
