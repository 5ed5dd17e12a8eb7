// The engine's LZSS codec: any bytes decoded as a block and as a stream
// (refused or decoded, never out of bounds), and any bytes encoded at the
// level the first byte names and decoded back to themselves.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "engine/Compress.h"
#include "engine/DynamicBuffer.h"
#include "engine/IOSlave.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size > (1u << 20)) return 0;
    Vek::AutoReference<Vek::LZSSCompress> codec(new Vek::LZSSCompress());

    // Decoding what it was given.
    std::vector<uint8_t> block(size * 9 + 64);
    const int64_t decoded = codec->DecompressBlock(block.data(), block.size(), data, size);
    FUZZ_CHECK(decoded >= -1 && decoded <= static_cast<int64_t>(block.size()));
    {
        Vek::DynamicBuffer out;
        Vek::IOSlaveMemory destination(&out);
        Vek::IOSlaveMemory source(data, size);
        codec->Decode(destination, source, size);
        FUZZ_CHECK(out.DataSize() <= size * 9);
    }

    // Encoding and decoding back.
    if (size == 0) return 0;
    const int level = data[0] % 10;
    const uint8_t* input = data + 1;
    const std::size_t length = size - 1;
    std::vector<uint8_t> packed(Vek::LZSSCompress::MaxCompressedSize(length) + 1);
    const int64_t packedSize = codec->CompressBlock(packed.data(), packed.size(), input, length, level);
    FUZZ_CHECK(packedSize >= 0);
    std::vector<uint8_t> unpacked(length + 1);
    FUZZ_CHECK(codec->DecompressBlock(unpacked.data(), length, packed.data(), static_cast<std::size_t>(packedSize)) ==
               static_cast<int64_t>(length));
    FUZZ_CHECK(std::vector<uint8_t>(unpacked.begin(), unpacked.begin() + static_cast<std::ptrdiff_t>(length)) ==
               std::vector<uint8_t>(input, input + length));

    Vek::DynamicBuffer stream;
    {
        Vek::IOSlaveMemory destination(&stream);
        Vek::IOSlaveMemory source(input, length);
        FUZZ_CHECK(codec->Encode(destination, source, length, level));
    }
    Vek::DynamicBuffer back;
    Vek::IOSlaveMemory destination(&back);
    Vek::IOSlaveMemory source(stream.Data(), stream.DataSize());
    FUZZ_CHECK(codec->Decode(destination, source, stream.DataSize()));
    FUZZ_CHECK(back.DataSize() == length);
    FUZZ_CHECK(length == 0 || __builtin_memcmp(back.Data(), input, length) == 0);
    return 0;
}
