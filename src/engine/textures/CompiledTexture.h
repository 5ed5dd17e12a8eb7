#pragma once
// The compiled texture file (".texture"), written by the texture
// conversion and read by the texture manager. Little-endian throughout:
//
//   "VIRF", uint32 size (bytes after this field), "MMTF" (0x46544D4D)
//   uint32 version             1
//   uint32 target              1, 3, 5 (uncompressed bitmap formats 2, 3, 1)
//                              or 10, 11, 12 (DXT1, DXT3, DXT5)
//   uint32 flags               bit 0 alpha kept, bit 1 wrap, bit 2 normal map
//   uint32 imageCount          1 or more
//   uint32 levelCount          1 to 32, the same for every image
//   per image, per level (largest first):
//     uint32 width, uint32 height, uint32 format (bitmap format code)
//     uint32 byteSize, then byteSize bytes (rows packed without padding for
//     the uncompressed formats; DXT blocks for format 5)
//
// The reader checks every count and size against the bytes that are really
// there and against what the format and level size allow.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/File.h"
#include "engine/bitmap/Bitmap.h"

namespace Vek {

struct CompiledTexture {
    static constexpr uint32_t kVersion = 1;
    static constexpr uint32_t kFlagAlpha = 1, kFlagWrap = 2, kFlagNormalMap = 4;
    static constexpr uint32_t kMaxLevels = 32;

    uint32_t target = 1;
    uint32_t flags = 0;
    // images[i][level]
    std::vector<std::vector<std::shared_ptr<const Bitmap>>> images;

    // The body after the envelope header; false when a write fails, the
    // images do not all have the same level count or a level is not in the
    // target's format.
    bool WriteBody(File& file) const;
    // Header and body, with the envelope size filled in.
    bool Write(File& file) const;
    // Parses a whole file; false with an error text for anything malformed.
    bool Read(const uint8_t* bytes, size_t size, std::string& error);
};

// Bytes a level of the given size takes in the format the target gives.
size_t CompiledTextureLevelBytes(uint32_t target, uint32_t width, uint32_t height);

}  // namespace Vek
