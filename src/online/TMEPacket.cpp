#include "online/TMEPacket.h"

TMEPacket::TMEPacket() : TBuffer(new Vek::DynamicBuffer(0, kBlockGrowStep), true) {}

TMEPacket::TMEPacket(const uint8_t* payload, int32_t length) : TMEPacket() {
    if (length > 0) Write(payload, length);
    Rewind();
}

void TMEPacket::Rewind() { Seek(0, kSeekSet); }
