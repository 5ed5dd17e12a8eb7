// The JPEG and PNG readers behind Bitmap::LoadFromMemory: ordinary files of
// every layout decode to exactly the pixels stb_image gave (the reader used
// before, compiled here as the reference), and damaged files are refused as
// unreadable without touching memory they do not own.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include "engine/bitmap/Bitmap.h"
#include "engine/bitmap/JpegReader.h"
#include "engine/bitmap/PictureBudget.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

using Vek::Bitmap;

namespace {

using Bytes = std::vector<uint8_t>;

// A test picture: gradients with some noise, so that every DCT frequency
// and filter type gets used. Channel c of pixel (x, y), 0..255.
int Sample(int x, int y, int c) {
    uint32_t n = uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u ^ uint32_t(c) * 83492791u;
    n = (n ^ (n >> 13)) * 0x5bd1e995u;
    return (x * 255 / 40 + y * (3 + c) + c * 60 + int((n >> 8) & 31)) & 255;
}

struct JpegOptions {
    J_COLOR_SPACE input = JCS_RGB;
    int inputComponents = 3;
    J_COLOR_SPACE space = JCS_YCbCr;
    int lumaH = 2, lumaV = 2;  // the first component's sampling; the others 1
    int quality = 85;
    bool progressive = false;
    bool arithmetic = false;
    unsigned restart = 0;
    std::vector<jpeg_scan_info> scans;
};

Bytes EncodeJpeg(int width, int height, const JpegOptions& o) {
    jpeg_compress_struct c{};
    jpeg_error_mgr errors{};
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = o.inputComponents;
    c.in_color_space = o.input;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, o.space);
    jpeg_set_quality(&c, o.quality, TRUE);
    c.comp_info[0].h_samp_factor = o.lumaH;
    c.comp_info[0].v_samp_factor = o.lumaV;
    if (o.progressive) jpeg_simple_progression(&c);
    if (!o.scans.empty()) {
        c.scan_info = o.scans.data();
        c.num_scans = int(o.scans.size());
    }
    c.arith_code = o.arithmetic;
    c.restart_interval = o.restart;
    jpeg_start_compress(&c, TRUE);
    Bytes row(std::size_t(width) * std::size_t(o.inputComponents));
    while (c.next_scanline < c.image_height) {
        const int y = int(c.next_scanline);
        for (int x = 0; x < width; ++x)
            for (int k = 0; k < o.inputComponents; ++k) row[std::size_t(x * o.inputComponents + k)] = uint8_t(Sample(x, y, k));
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    jpeg_destroy_compress(&c);
    return out;
}

Bytes StbJpeg(int width, int height, int components, int quality) {
    Bytes pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int k = 0; k < components; ++k) pixels.push_back(uint8_t(Sample(x, y, k)));
    Bytes out;
    stbi_write_jpg_to_func([](void* context, void* data, int size) {
        auto* bytes = static_cast<Bytes*>(context);
        bytes->insert(bytes->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    }, &out, width, height, components, pixels.data(), quality);
    return out;
}

struct PngOptions {
    int colorType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    int paletteSize = 0;   // palette images: entries, the first few translucent
    bool transparentColour = false;  // a tRNS colour: pixel (1, 0)'s
};

int Channels(int colorType) {
    switch (colorType) {
        case PNG_COLOR_TYPE_GRAY:
        case PNG_COLOR_TYPE_PALETTE: return 1;
        case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
        case PNG_COLOR_TYPE_RGB: return 3;
        default: return 4;
    }
}

// Sample c of pixel (x, y) at the bit depth (palette: an index).
unsigned PngSample(int x, int y, int c, const PngOptions& o) {
    const unsigned v = unsigned(Sample(x, y, c));
    if (o.colorType == PNG_COLOR_TYPE_PALETTE) return v % unsigned(o.paletteSize);
    if (o.bitDepth == 16) return v * 257u ^ unsigned(Sample(y, x, c));
    return v >> (8 - o.bitDepth);
}

Bytes EncodePng(int width, int height, const PngOptions& o) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, [](png_structp p, png_bytep data, std::size_t length) {
        auto* bytes = static_cast<Bytes*>(png_get_io_ptr(p));
        bytes->insert(bytes->end(), data, data + length);
    }, nullptr);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), o.bitDepth, o.colorType,
                 o.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    std::vector<png_byte> alphas;
    for (int i = 0; i < o.paletteSize; ++i) {
        palette.push_back(png_color{png_byte(i * 37), png_byte(255 - i * 11), png_byte(i * 5 + 3)});
        if (i < 3) alphas.push_back(png_byte(i * 100));
    }
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), int(palette.size()));
    if (!alphas.empty()) png_set_tRNS(png, info, alphas.data(), int(alphas.size()), nullptr);
    if (o.transparentColour) {
        png_color_16 colour{};
        colour.gray = png_uint_16(PngSample(1, 0, 0, o));
        colour.red = png_uint_16(PngSample(1, 0, 0, o));
        colour.green = png_uint_16(PngSample(1, 0, 1, o));
        colour.blue = png_uint_16(PngSample(1, 0, 2, o));
        png_set_tRNS(png, info, nullptr, 0, &colour);
    }
    png_write_info(png, info);
    if (o.bitDepth < 8) png_set_packing(png);
    const int channels = Channels(o.colorType);
    const int bytesPerSample = o.bitDepth == 16 ? 2 : 1;
    std::vector<Bytes> rows(std::size_t(height), Bytes(std::size_t(width * channels * bytesPerSample)));
    std::vector<png_bytep> pointers;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c) {
                const unsigned v = PngSample(x, y, c, o);
                const std::size_t at = std::size_t((x * channels + c) * bytesPerSample);
                if (bytesPerSample == 2) {
                    rows[std::size_t(y)][at] = png_byte(v >> 8);
                    rows[std::size_t(y)][at + 1] = png_byte(v);
                } else {
                    rows[std::size_t(y)][at] = png_byte(v);
                }
            }
        pointers.push_back(rows[std::size_t(y)].data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes StbPng(int width, int height, int components) {
    Bytes pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int k = 0; k < components; ++k) pixels.push_back(uint8_t(Sample(x, y, k)));
    int length = 0;
    unsigned char* png = stbi_write_png_to_mem(pixels.data(), width * components, width, height, components, &length);
    Bytes out(png, png + length);
    STBIW_FREE(png);
    return out;
}

// A PNG file from its chunks, with their CRCs.
Bytes Chunk(const char* type, const Bytes& data) {
    Bytes out;
    const uint32_t length = uint32_t(data.size());
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(length >> shift));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    const uint32_t crc = uint32_t(crc32(0, body.data(), uInt(body.size())));
    out.insert(out.end(), body.begin(), body.end());
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(crc >> shift));
    return out;
}

Bytes Ihdr(uint32_t width, uint32_t height, uint8_t depth = 8, uint8_t colorType = 0) {
    Bytes data;
    for (uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8) data.push_back(uint8_t(v >> shift));
    for (uint8_t b : {depth, colorType, uint8_t(0), uint8_t(0), uint8_t(0)}) data.push_back(b);
    return Chunk("IHDR", data);
}

Bytes Png(std::initializer_list<Bytes> chunks) {
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const Bytes& chunk : chunks) out.insert(out.end(), chunk.begin(), chunk.end());
    return out;
}

Bytes Deflated(const Bytes& raw) {
    uLongf length = compressBound(uLong(raw.size()));
    Bytes out(length);
    compress2(out.data(), &length, raw.data(), uLong(raw.size()), 9);
    out.resize(length);
    return out;
}

// The pixels stb_image gives, in the bitmap's byte order; empty when it
// refuses the file.
Bytes Reference(const Bytes& file, int& width, int& height) {
    int channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(file.data(), int(file.size()), &width, &height, &channels, 4);
    if (!pixels) return {};
    Bytes out(pixels, pixels + std::size_t(width) * std::size_t(height) * 4);
    stbi_image_free(pixels);
    for (std::size_t i = 0; i < out.size(); i += 4) std::swap(out[i], out[i + 2]);
    return out;
}

// With VORLEX_KEEP_IMAGES=DIR, the files decoded here of at most `most`
// bytes are also written to DIR (the seeds of the image fuzz target are made
// this way).
void Keep(const std::string& what, const Bytes& file, std::size_t most = 1024) {
    const char* folder = std::getenv("VORLEX_KEEP_IMAGES");
    if (!folder || file.size() > most) return;
    std::string name;
    for (char c : what) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '-';
    std::ofstream(std::string(folder) + "/" + name, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
}

void ExpectSameAsBefore(const std::string& what, const Bytes& file) {
    Keep(what, file);
    int width = 0, height = 0;
    const Bytes expected = Reference(file, width, height);
    ASSERT_FALSE(expected.empty()) << what << ": the reference decoder refuses the file";
    Bitmap bitmap;
    ASSERT_TRUE(bitmap.LoadFromMemory(file.data(), file.size())) << what;
    ASSERT_EQ(bitmap.GetWidth(), width) << what;
    ASSERT_EQ(bitmap.GetHeight(), height) << what;
    ASSERT_EQ(bitmap.GetFormat(), Bitmap::kARGB32) << what;
    const Bytes actual(bitmap.GetData(), bitmap.GetData() + bitmap.GetByteSize());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < actual.size(); ++i) differing += actual[i] != expected[i];
    EXPECT_EQ(differing, 0u) << what << ": bytes that differ from before";
    EXPECT_EQ(Bitmap::DecodeBytes(file.data(), file.size()), uint64_t(width) * uint64_t(height) * 8) << what;
}

// The sequence of scans of a progressive grey picture: the DC, then each
// AC coefficient alone, first at bit `al` and then refined bit by bit.
std::vector<jpeg_scan_info> OneCoefficientScans(int al) {
    std::vector<jpeg_scan_info> scans;
    scans.push_back(jpeg_scan_info{1, {0, 0, 0, 0}, 0, 0, 0, 0});
    for (int k = 1; k < 64; ++k) {
        scans.push_back(jpeg_scan_info{1, {0, 0, 0, 0}, k, k, 0, al});
        for (int bit = al; bit > 0; --bit) scans.push_back(jpeg_scan_info{1, {0, 0, 0, 0}, k, k, bit, bit - 1});
    }
    return scans;
}

JpegOptions Grey() {
    JpegOptions o;
    o.input = JCS_GRAYSCALE;
    o.inputComponents = 1;
    o.space = JCS_GRAYSCALE;
    o.lumaH = o.lumaV = 1;
    return o;
}

}  // namespace

TEST(ImageFileReaders, OrdinaryJpegFilesDecodeAsBefore) {
    struct Case {
        std::string what;
        JpegOptions options;
    };
    std::vector<Case> cases;
    cases.push_back({"YCbCr 4:2:0", JpegOptions{}});
    auto add = [&cases](const std::string& what, auto change) {
        JpegOptions o;
        change(o);
        cases.push_back({what, o});
    };
    add("YCbCr 4:4:4", [](JpegOptions& o) { o.lumaH = o.lumaV = 1; });
    add("YCbCr 4:2:2", [](JpegOptions& o) { o.lumaV = 1; });
    add("YCbCr 4:4:0", [](JpegOptions& o) { o.lumaH = 1; });
    add("YCbCr 4:1:1", [](JpegOptions& o) { o.lumaH = 4, o.lumaV = 1; });
    add("YCbCr 3x1", [](JpegOptions& o) { o.lumaH = 3, o.lumaV = 1; });
    add("progressive 4:2:0", [](JpegOptions& o) { o.progressive = true; });
    add("progressive 4:4:4", [](JpegOptions& o) { o.progressive = true, o.lumaH = o.lumaV = 1; });
    add("restart markers", [](JpegOptions& o) { o.restart = 1; });
    add("high quality", [](JpegOptions& o) { o.quality = 100; });
    add("low quality", [](JpegOptions& o) { o.quality = 5; });
    add("RGB without transform", [](JpegOptions& o) { o.space = JCS_RGB, o.lumaH = o.lumaV = 1; });
    add("CMYK", [](JpegOptions& o) {
        o.input = o.space = JCS_CMYK;
        o.inputComponents = 4;
        o.lumaH = o.lumaV = 1;
    });
    add("YCCK", [](JpegOptions& o) {
        o.input = JCS_CMYK, o.space = JCS_YCCK;
        o.inputComponents = 4;
    });
    cases.push_back({"grey", Grey()});
    JpegOptions greyProgressive = Grey();
    greyProgressive.progressive = true;
    cases.push_back({"grey progressive", greyProgressive});
    JpegOptions greySampled = Grey();
    greySampled.lumaH = greySampled.lumaV = 2;
    cases.push_back({"grey with sampling factors 2x2", greySampled});
    JpegOptions manyScans = Grey();
    manyScans.scans = OneCoefficientScans(3);  // 253 scans
    cases.push_back({"grey in 253 scans", manyScans});

    for (const Case& c : cases)
        for (auto [w, h] : {std::pair{61, 37}, std::pair{1, 1}, std::pair{16, 16}, std::pair{9, 50}})
            ExpectSameAsBefore(c.what + " " + std::to_string(w) + "x" + std::to_string(h), EncodeJpeg(w, h, c.options));
    // The stb encoder's own files: 4:2:0 up to quality 90, 4:4:4 above.
    for (int quality : {50, 90, 97})
        for (int components : {1, 3, 4})
            ExpectSameAsBefore("stb-written, quality " + std::to_string(quality) + ", " + std::to_string(components) +
                                   " channels",
                               StbJpeg(45, 29, components, quality));
    // Extra 0xFF bytes before the start-of-image marker were taken.
    Bytes padded = EncodeJpeg(8, 8, JpegOptions{});
    padded.insert(padded.begin(), {0xFF, 0xFF});
    ExpectSameAsBefore("fill bytes before the start", padded);
}

TEST(ImageFileReaders, OrdinaryPngFilesDecodeAsBefore) {
    struct Case {
        std::string what;
        PngOptions options;
    };
    std::vector<Case> cases;
    for (int depth : {1, 2, 4, 8, 16}) {
        cases.push_back({"grey " + std::to_string(depth) + "-bit", PngOptions{PNG_COLOR_TYPE_GRAY, depth}});
        cases.push_back({"grey " + std::to_string(depth) + "-bit, tRNS", PngOptions{PNG_COLOR_TYPE_GRAY, depth, false, 0, true}});
        if (depth <= 8)
            cases.push_back({"palette " + std::to_string(depth) + "-bit",
                             PngOptions{PNG_COLOR_TYPE_PALETTE, depth, false, std::min(1 << depth, 200)}});
    }
    for (int depth : {8, 16}) {
        const std::string bits = std::to_string(depth) + "-bit";
        cases.push_back({"RGB " + bits, PngOptions{PNG_COLOR_TYPE_RGB, depth}});
        cases.push_back({"RGB " + bits + ", tRNS", PngOptions{PNG_COLOR_TYPE_RGB, depth, false, 0, true}});
        cases.push_back({"RGBA " + bits, PngOptions{PNG_COLOR_TYPE_RGB_ALPHA, depth}});
        cases.push_back({"grey and alpha " + bits, PngOptions{PNG_COLOR_TYPE_GRAY_ALPHA, depth}});
        cases.push_back({"RGBA " + bits + " interlaced", PngOptions{PNG_COLOR_TYPE_RGB_ALPHA, depth, true}});
    }
    cases.push_back({"palette interlaced", PngOptions{PNG_COLOR_TYPE_PALETTE, 4, true, 16}});
    cases.push_back({"grey 1-bit interlaced", PngOptions{PNG_COLOR_TYPE_GRAY, 1, true}});
    for (const Case& c : cases)
        for (auto [w, h] : {std::pair{61, 37}, std::pair{1, 1}, std::pair{3, 5}})
            ExpectSameAsBefore(c.what + " " + std::to_string(w) + "x" + std::to_string(h), EncodePng(w, h, c.options));
    for (int components : {1, 2, 3, 4})
        ExpectSameAsBefore("stb-written, " + std::to_string(components) + " channels", StbPng(33, 21, components));
    // TGA and BMP files still go to stb_image.
    Bytes tga, bmp;
    Bytes pixels;
    for (int i = 0; i < 12 * 7 * 4; ++i) pixels.push_back(uint8_t(Sample(i / 4 % 12, i / 48, i % 4)));
    const auto append = [](void* context, void* data, int size) {
        auto* bytes = static_cast<Bytes*>(context);
        bytes->insert(bytes->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    };
    stbi_write_tga_to_func(append, &tga, 12, 7, 4, pixels.data());
    stbi_write_bmp_to_func(append, &bmp, 12, 7, 4, pixels.data());
    ExpectSameAsBefore("stb-written TGA", tga);
    ExpectSameAsBefore("stb-written BMP", bmp);
}

TEST(ImageFileReaders, DamagedFilesAreRefusedAsUnreadable) {
    const Bytes jpeg = EncodeJpeg(64, 48, JpegOptions{});
    // Where the first Huffman table segment and the frame header are.
    std::size_t dht = 0, sof = 0, sos = 0;
    for (std::size_t i = 2; i + 1 < jpeg.size() && !sos; ++i) {
        if (jpeg[i] != 0xFF) continue;
        if (jpeg[i + 1] == 0xC4 && !dht) dht = i;
        if (jpeg[i + 1] == 0xC0) sof = i;
        if (jpeg[i + 1] == 0xDA) sos = i;
    }
    ASSERT_TRUE(dht && sof && sos);
    const auto patched = [&jpeg](std::size_t at, std::initializer_list<uint8_t> bytes) {
        Bytes out = jpeg;
        std::copy(bytes.begin(), bytes.end(), out.begin() + std::ptrdiff_t(at));
        return out;
    };
    const auto cut = [](const Bytes& file, std::size_t length) { return Bytes(file.begin(), file.begin() + std::ptrdiff_t(length)); };
    // The counts of code lengths 1..16 of the first table, all 0xFF.
    Bytes countsPast256 = jpeg;
    std::fill(countsPast256.begin() + std::ptrdiff_t(dht + 5), countsPast256.begin() + std::ptrdiff_t(dht + 21), 0xFF);
    JpegOptions tooManyScans = Grey();
    tooManyScans.scans = OneCoefficientScans(9);  // 631 scans
    JpegOptions arithmetic;
    arithmetic.arithmetic = true;
    JpegOptions twoComponents;
    twoComponents.input = twoComponents.space = JCS_UNKNOWN;
    twoComponents.inputComponents = 2;
    twoComponents.lumaH = twoComponents.lumaV = 1;

    // A 1x1 grey picture whose deflate data copies from distance code 30,
    // which has no distance: literal 0 (the row's filter), then length 3
    // at distance code 30, then the end of the block (fixed codes).
    struct BitWriter {  // deflate's order: values lowest bit first, codes highest bit first
        Bytes bytes = {0x78, 0x01};
        int used = 8;
        void Bit(uint32_t bit) {
            if (used == 8) bytes.push_back(0), used = 0;
            bytes.back() = uint8_t(bytes.back() | (bit & 1u) << used++);
        }
        void Value(uint32_t value, int n) {
            for (int i = 0; i < n; ++i) Bit(value >> i);
        }
        void Code(uint32_t code, int n) {
            for (int i = n - 1; i >= 0; --i) Bit(code >> i);
        }
    } distance30;
    distance30.Value(1, 1);     // the final block
    distance30.Value(1, 2);     // fixed codes
    distance30.Code(0x30, 8);   // literal 0
    distance30.Code(0x01, 7);   // length 3
    distance30.Code(30, 5);     // distance code 30
    distance30.Code(0x00, 7);   // end of block

    const Bytes raw1x1 = {0, 128};
    const Bytes goodPng = Png({Ihdr(1, 1), Chunk("IDAT", Deflated(raw1x1)), Chunk("IEND", {})});
    const Bytes bigRaw(std::size_t(64) * 65, 7);
    const Bytes bigIdat = Chunk("IDAT", Deflated(bigRaw));

    struct Case {
        const char* what;
        Bytes file;
    } cases[] = {
        {"JPEG: 11 bytes, Huffman counts past 256", {0xFF, 0xD8, 0xFF, 0xC4, 0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"JPEG: Huffman counts past 256 in a whole file", countsPast256},
        {"JPEG: cut inside a Huffman table", cut(jpeg, dht + 12)},
        {"JPEG: cut inside the frame header", cut(jpeg, sof + 9)},
        {"JPEG: cut inside the scan", cut(jpeg, sos + (jpeg.size() - sos) / 2)},
        {"JPEG: without its end-of-image marker", cut(jpeg, jpeg.size() - 2)},
        {"JPEG: APP0 segment's length past the end", patched(4, {0x7F, 0xFF})},
        {"JPEG: zero height", patched(sof + 5, {0, 0})},
        {"JPEG: zero width", patched(sof + 7, {0, 0})},
        {"JPEG: width 16385", patched(sof + 7, {0x40, 0x01})},
        {"JPEG: 65500 x 65500", patched(sof + 5, {0xFF, 0xDC, 0xFF, 0xDC})},
        {"JPEG: sampling 3x1 beside 2x1", patched(sof + 11, {0x21, 0x00, 0x02, 0x31})},
        {"JPEG: two components", EncodeJpeg(16, 16, twoComponents)},
        {"JPEG: 12-bit samples", patched(sof + 4, {12})},
        {"JPEG: damaged scan data", [&] {
             Bytes out = jpeg;
             for (std::size_t i = sos + 20; i < jpeg.size() - 2; i += 7) out[i] = out[i] == 0xFF ? 0xFF : 0xFE;
             return out;
         }()},
        {"JPEG: more than 500 scans", EncodeJpeg(8, 8, tooManyScans)},
        {"JPEG: arithmetic coding", EncodeJpeg(16, 16, arithmetic)},
        {"JPEG: start-of-image marker only", {0xFF, 0xD8}},
        {"PNG: zero width", Png({Ihdr(0, 1), Chunk("IDAT", Deflated(raw1x1)), Chunk("IEND", {})})},
        {"PNG: zero height", Png({Ihdr(1, 0), Chunk("IDAT", Deflated(raw1x1)), Chunk("IEND", {})})},
        {"PNG: width 16385", Png({Ihdr(16385, 1), Chunk("IDAT", Deflated(raw1x1)), Chunk("IEND", {})})},
        {"PNG: 2^31 x 2^31", Png({Ihdr(0x80000000u, 0x80000000u), Chunk("IDAT", Deflated(raw1x1)), Chunk("IEND", {})})},
        {"PNG: bit depth 3", Png({Ihdr(1, 1, 3), Chunk("IDAT", Deflated(raw1x1)), Chunk("IEND", {})})},
        {"PNG: palette picture without palette", Png({Ihdr(1, 1, 8, 3), Chunk("IDAT", Deflated(raw1x1)), Chunk("IEND", {})})},
        {"PNG: cut inside the header", cut(goodPng, 20)},
        {"PNG: cut inside the image data", cut(Png({Ihdr(64, 64), bigIdat, Chunk("IEND", {})}), 33 + bigIdat.size() / 2)},
        {"PNG: image data short of the picture", Png({Ihdr(64, 65), Chunk("IDAT", Deflated(Bytes(64 * 65 / 2, 0))), Chunk("IEND", {})})},
        {"PNG: without IEND", cut(goodPng, goodPng.size() - 12)},
        {"PNG: chunk length past the end", [&] {
             Bytes out = goodPng;
             out[33] = 0x7F;  // the IDAT's length
             return out;
         }()},
        {"PNG: deflate distance code 30", Png({Ihdr(1, 1), Chunk("IDAT", distance30.bytes), Chunk("IEND", {})})},
        {"PNG: invalid deflate block type", Png({Ihdr(1, 1), Chunk("IDAT", {0x78, 0x01, 0x07, 0, 0}), Chunk("IEND", {})})},
        {"PNG: signature only", Png({})},
    };
    ASSERT_TRUE(Bitmap().LoadFromMemory(goodPng.data(), goodPng.size()));
    ASSERT_TRUE(Bitmap().LoadFromMemory(jpeg.data(), jpeg.size()));
    for (const Case& c : cases) {
        Keep(c.what, c.file, 4096);
        Bitmap bitmap;
        ASSERT_TRUE(bitmap.Init(2, 2, Bitmap::kARGB32));
        bitmap.SetPixel(1, 1, 0xFF123456u);
        EXPECT_FALSE(bitmap.LoadFromMemory(c.file.data(), c.file.size())) << c.what;
        EXPECT_EQ(Bitmap::LastLoadFailure(), Bitmap::LoadFailure::kUnreadable) << c.what;
        EXPECT_EQ(bitmap.GetWidth(), 2) << c.what << ": the bitmap is unchanged";
        EXPECT_EQ(bitmap.GetPixel(1, 1), 0xFF123456u) << c.what;
        EXPECT_EQ(Vek::PictureBudget::InUse(), 0u) << c.what << ": nothing is kept from the budget";
    }
}

TEST(ImageFileReaders, PngDataPastThePictureIsLeftAlone) {
    // A 1x1 grey picture followed by 64 MiB of zeros in the same deflate
    // stream loads, as it did (inflating stops at the picture's size).
    Bytes raw(std::size_t(64) << 20, 0);
    raw[1] = 200;
    const Bytes file = Png({Ihdr(1, 1), Chunk("IDAT", Deflated(raw)), Chunk("IEND", {})});
    ASSERT_LT(file.size(), std::size_t(1) << 20);
    Bitmap bitmap;
    ASSERT_TRUE(bitmap.LoadFromMemory(file.data(), file.size()));
    EXPECT_EQ(bitmap.GetPixel(0, 0), 0xFFC8C8C8u);
}
