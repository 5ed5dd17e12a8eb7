#include "engine/bitmap/PngReader.h"

#include <csetjmp>
#include <cstring>
#include <vector>

#include <png.h>

#include "engine/bitmap/Bitmap.h"

namespace Vek {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// libpng reports a fatal error through Error, which jumps back to the
// setjmp of the step (Run... below) that called the library. The steps are
// plain functions that own no C++ objects, and neither do the callbacks
// here, so the jump crosses only the library's frames and theirs.
[[noreturn]] void Error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void Warning(png_structp, png_const_charp) {}

struct Source {
    const uint8_t* bytes = nullptr;
    std::size_t size = 0;
    std::size_t offset = 0;
};

void ReadData(png_structp png, png_bytep out, std::size_t length) {
    Source* source = static_cast<Source*>(png_get_io_ptr(png));
    if (length > source->size - source->offset) png_error(png, "the file ends early");
    std::memcpy(out, source->bytes + source->offset, length);
    source->offset += length;
}

// The library's state for one file.
struct Decoder {
    png_structp png = nullptr;
    png_infop info = nullptr;
    Source source;

    Decoder(const uint8_t* bytes, std::size_t size) {
        source.bytes = bytes;
        source.size = size;
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Error, Warning);
        if (png) info = png_create_info_struct(png);
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
    ~Decoder() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

// Reads the chunks before the image data.
bool RunReadHeader(Decoder* d) {
    if (!d->png || !d->info) return false;
    if (setjmp(png_jmpbuf(d->png))) return false;
    png_set_read_fn(d->png, &d->source, ReadData);
    png_set_user_limits(d->png, Bitmap::kMaxSide, Bitmap::kMaxSide);
    png_set_crc_action(d->png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_option(d->png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    png_read_info(d->png, d->info);
    return true;
}

// Asks for 8-bit red, green, blue and alpha rows, the passes of an
// interlaced picture put together.
bool RunSetUpRows(Decoder* d) {
    if (setjmp(png_jmpbuf(d->png))) return false;
    png_set_expand(d->png);
    png_set_strip_16(d->png);
    png_set_gray_to_rgb(d->png);
    png_set_add_alpha(d->png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(d->png);
    png_read_update_info(d->png, d->info);
    return true;
}

// Reads the picture into `rows`, then the chunks up to IEND.
bool RunReadRows(Decoder* d, png_bytepp rows) {
    if (setjmp(png_jmpbuf(d->png))) return false;
    png_read_image(d->png, rows);
    png_read_end(d->png, nullptr);
    return true;
}

}  // namespace

bool PngReader::IsPng(const uint8_t* bytes, std::size_t size) {
    return bytes && size >= sizeof kSignature && std::memcmp(bytes, kSignature, sizeof kSignature) == 0;
}

bool PngReader::ReadSize(const uint8_t* bytes, std::size_t size, int& width, int& height) {
    if (!IsPng(bytes, size)) return false;
    Decoder decoder(bytes, size);
    if (!RunReadHeader(&decoder)) return false;
    width = static_cast<int>(png_get_image_width(decoder.png, decoder.info));
    height = static_cast<int>(png_get_image_height(decoder.png, decoder.info));
    return width > 0 && height > 0 && width <= Bitmap::kMaxSide && height <= Bitmap::kMaxSide;
}

bool PngReader::Decode(const uint8_t* bytes, std::size_t size, const Destination& destination) {
    int width = 0, height = 0;
    if (!IsPng(bytes, size)) return false;
    Decoder decoder(bytes, size);
    if (!RunReadHeader(&decoder) || !RunSetUpRows(&decoder)) return false;
    width = static_cast<int>(png_get_image_width(decoder.png, decoder.info));
    height = static_cast<int>(png_get_image_height(decoder.png, decoder.info));
    if (width <= 0 || height <= 0 || width > Bitmap::kMaxSide || height > Bitmap::kMaxSide) return false;
    const std::size_t rowBytes = std::size_t(width) * 4;
    if (png_get_rowbytes(decoder.png, decoder.info) != rowBytes || png_get_bit_depth(decoder.png, decoder.info) != 8)
        return false;
    uint8_t* out = destination(width, height);
    if (!out) return false;
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = out + y * rowBytes;
    return RunReadRows(&decoder, rows.data());
}

}  // namespace Vek
