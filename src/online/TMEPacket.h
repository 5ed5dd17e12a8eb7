#pragma once
// TMEPacket: one packet of the reliable-datagram stream: a memory stream
// holding the payload, with the one-byte sequence number (0 for an
// unsequenced control packet) and the acknowledgement it carried, and the
// sender's bookkeeping of its sends.
#include <cstdint>

#include "foundation/streams/BufferStream.h"

class TMEPacket : public TBuffer {
public:
    TMEPacket();
    // A packet holding a copy of `length` bytes, positioned at their start.
    TMEPacket(const uint8_t* payload, int32_t length);

    uint8_t sequence = 0;
    uint8_t ack = 0;
    uint8_t sendCount = 0;
    double lastSendTime = 0.0;
    // 0: none; otherwise the acknowledgement of the packet reports it to the
    // endpoint's owner.
    int32_t acknowledgementToken = 0;

    // The payload bytes in place (the whole content of the stream).
    uint8_t* PayloadBytes() { return GetBlock()->Data(); }
    int32_t PayloadLength() const { return GetDataSize(); }
    // Moves the read position back to the payload's start.
    void Rewind();
};
