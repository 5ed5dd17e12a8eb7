#pragma once
// File bytes in an archive's "LZSS" storage form: four bytes the reader
// skips, then the engine codec's stream of the input.
#include <cstdint>
#include <vector>

#include "engine/Compress.h"
#include "engine/DynamicBuffer.h"
#include "engine/IOSlave.h"
#include "engine/ReferenceCount.h"

namespace VorlexTest {

inline std::vector<uint8_t> LzssStored(const std::vector<uint8_t>& input) {
    Vek::AutoReference<Vek::LZSSCompress> codec(new Vek::LZSSCompress());
    Vek::DynamicBuffer buffer;
    Vek::IOSlaveMemory destination(&buffer);
    Vek::IOSlaveMemory source(input.data(), input.size());
    codec->Encode(destination, source, input.size(), 9);
    std::vector<uint8_t> out = {0, 0, 0, 0};
    out.insert(out.end(), buffer.Data(), buffer.Data() + buffer.DataSize());
    return out;
}

}  // namespace VorlexTest
