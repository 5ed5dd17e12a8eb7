#pragma once
// JPEG files. libjpeg-turbo reads the file: its markers, tables and
// entropy-coded scans, into the DCT coefficients of each component. The
// picture is then built from the coefficients with the integer inverse DCT,
// chroma upsampling and colour conversion of stb_image's JPEG decoder, which
// this reader replaces, so that pixels stay byte for byte what they were;
// stb's own parsing of JPEG files is never used.
//
// Accepted: baseline, extended sequential and progressive Huffman-coded
// files with 8-bit samples, 1, 3 or 4 components whose sampling factors
// divide the largest ones, at most Bitmap::kMaxSide pixels a side, the file
// ending with its end-of-image marker. Refused with false: anything else,
// and a file whose data the library reports as damaged (a scan cut short, a
// bad Huffman code, a restart marker out of place, an inconsistent
// progression) or that has more than kMaxScans scans.
#include <cstddef>
#include <cstdint>
#include <functional>

namespace Vek {

class JpegReader {
public:
    // A progressive file pays a pass over its picture for every scan: past
    // this many, a few bytes could cost minutes.
    static constexpr int kMaxScans = 500;

    // Where a decoded picture of width x height goes: width * height * 4
    // bytes, or null to stop.
    using Destination = std::function<uint8_t*(int width, int height)>;

    // Whether the bytes start as a JPEG file (0xFF, any further 0xFF, 0xD8).
    static bool IsJpeg(const uint8_t* bytes, std::size_t size);
    // The picture's size, from the headers up to the first scan; false when
    // they are damaged or describe a picture this reader refuses.
    static bool ReadSize(const uint8_t* bytes, std::size_t size, int& width, int& height);
    // Decodes the picture into `destination` as rows of red, green, blue and
    // alpha (255) bytes, nothing between the rows.
    static bool Decode(const uint8_t* bytes, std::size_t size, const Destination& destination);
};

}  // namespace Vek
