#pragma once
// PNG files, decoded with libpng into 8-bit red, green, blue and alpha, as
// stb_image's PNG reader (which this one replaces) gave them: palettes and
// grey expanded, low bit depths scaled to 8 bits, a tRNS colour turned into
// alpha, 16-bit samples cut to their high byte, no gamma applied.
//
// Kept from stb_image's reader: chunk CRCs and the zlib checksum are not
// checked, and the file must reach its IEND chunk. Refused with false:
// sides past Bitmap::kMaxSide, and anything libpng finds malformed (bad
// headers, a palette image without palette, image data that is cut short or
// does not inflate). Decompression stops at the picture's own size.
#include <cstddef>
#include <cstdint>
#include <functional>

namespace Vek {

class PngReader {
public:
    // Where a decoded picture of width x height goes: width * height * 4
    // bytes, or null to stop.
    using Destination = std::function<uint8_t*(int width, int height)>;

    // Whether the bytes start with the PNG signature.
    static bool IsPng(const uint8_t* bytes, std::size_t size);
    // The picture's size, from the chunks before the image data.
    static bool ReadSize(const uint8_t* bytes, std::size_t size, int& width, int& height);
    // Decodes the picture into `destination` as rows of red, green, blue and
    // alpha bytes, nothing between the rows.
    static bool Decode(const uint8_t* bytes, std::size_t size, const Destination& destination);
};

}  // namespace Vek
