#include "engine/bitmap/JpegReader.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <cstring>
#include <memory>
#include <vector>

#include <jpeglib.h>
// jerror.h after jpeglib.h
#include <jerror.h>

#include "engine/bitmap/Bitmap.h"

// stb_image's JPEG kernels (inverse DCT, upsampling, colour conversion) and
// its choice among their SIMD and plain forms; its readers are not called.
#define STBI_ONLY_JPEG
#include "engine/bitmap/StbImage.h"

namespace Vek {

namespace {

// Bytes kept of each APP0 and APP14 segment: enough for the JFIF tag and
// the Adobe colour transform.
constexpr unsigned int kSavedMarkerBytes = 16;

// libjpeg reports a fatal error through ErrorExit, which jumps back to the
// setjmp of the step (Run... below) that called the library. The steps are
// plain functions that own no C++ objects, and neither do the callbacks
// here, so the jump crosses only the library's frames and theirs.
struct ErrorManager {
    jpeg_error_mgr base;  // first: the library sees only this part
    std::jmp_buf jump;
};

[[noreturn]] void ErrorExit(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1); }

// Warnings that say the data is damaged end the decode; the others (bytes
// between segments, unknown JFIF versions or Adobe transforms) do not.
void EmitMessage(j_common_ptr info, int level) {
    if (level >= 0) return;  // traces
    switch (info->err->msg_code) {
        case JWRN_HIT_MARKER:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_MUST_RESYNC:
        case JWRN_BOGUS_PROGRESSION:
        case JWRN_NOT_SEQUENTIAL: ErrorExit(info);
        default: ++info->err->num_warnings;
    }
}

void OutputMessage(j_common_ptr) {}
void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

// The whole file is in the buffer from the start: a request for more means
// that it ends before its end-of-image marker.
boolean FillInputBuffer(j_decompress_ptr info) {
    info->err->msg_code = JERR_INPUT_EOF;
    ErrorExit(reinterpret_cast<j_common_ptr>(info));
}

void SkipInputData(j_decompress_ptr info, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* source = info->src;
    if (static_cast<unsigned long>(count) > source->bytes_in_buffer) FillInputBuffer(info);
    source->next_input_byte += count;
    source->bytes_in_buffer -= static_cast<std::size_t>(count);
}

void MonitorScans(j_common_ptr info) {
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > JpegReader::kMaxScans) {
        info->err->msg_code = JERR_NOTIMPL;
        ErrorExit(info);
    }
}

// The library's state for one file.
struct Decoder {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    jpeg_source_mgr source{};
    jpeg_progress_mgr progress{};
    jvirt_barray_ptr* coefficients = nullptr;
    bool created = false;

    Decoder() = default;
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
    ~Decoder() { Close(); }
    void Close() {
        if (created) jpeg_destroy_decompress(&info);
        created = false;
        coefficients = nullptr;
    }
};

// One component's samples after the inverse DCT: whole blocks.
struct Plane {
    uint8_t* samples = nullptr;
    int stride = 0;       // bytes a row, blocksWide * 8
    int blocksWide = 0;   // blocks a row that cover the component's samples
    int blocksHigh = 0;
    int width = 0;        // samples the picture uses
    int height = 0;
};

// What the headers say, kept after the library's state is gone.
struct Layout {
    int width = 0, height = 0, components = 0;
    int maxH = 1, maxV = 1;
    int h[4] = {}, v[4] = {}, ids[4] = {};
    bool jfif = false;
    int adobeTransform = -1;  // none
};

struct Kernels {
    void (*idct)(stbi_uc* out, int stride, short data[64]);
    void (*yccToRgb)(stbi_uc* out, const stbi_uc* y, const stbi_uc* cb, const stbi_uc* cr, int count, int step);
    stbi_uc* (*resampleHv2)(stbi_uc* out, stbi_uc* near, stbi_uc* far, int w, int hs);
};

const Kernels& TheKernels() {
    static const Kernels kernels = [] {
        auto jpeg = std::make_unique<stbi__jpeg>();
        stbi__setup_jpeg(jpeg.get());
        return Kernels{jpeg->idct_block_kernel, jpeg->YCbCr_to_RGB_kernel, jpeg->resample_row_hv_2_kernel};
    }();
    return kernels;
}

// Reads the headers up to the first scan.
bool RunReadHeader(Decoder* d, const uint8_t* bytes, std::size_t size) {
    d->info.err = jpeg_std_error(&d->errors.base);
    d->errors.base.error_exit = ErrorExit;
    d->errors.base.emit_message = EmitMessage;
    d->errors.base.output_message = OutputMessage;
    if (setjmp(d->errors.jump)) return false;
    d->created = true;
    jpeg_create_decompress(&d->info);
    d->source.next_input_byte = bytes;
    d->source.bytes_in_buffer = size;
    d->source.init_source = InitSource;
    d->source.fill_input_buffer = FillInputBuffer;
    d->source.skip_input_data = SkipInputData;
    d->source.resync_to_restart = jpeg_resync_to_restart;
    d->source.term_source = TermSource;
    d->info.src = &d->source;
    d->progress.progress_monitor = MonitorScans;
    d->info.progress = &d->progress;
    jpeg_save_markers(&d->info, JPEG_APP0, kSavedMarkerBytes);
    jpeg_save_markers(&d->info, JPEG_APP0 + 14, kSavedMarkerBytes);
    return jpeg_read_header(&d->info, TRUE) == JPEG_HEADER_OK;
}

// Reads every scan, up to the end-of-image marker, into the coefficients.
bool RunReadCoefficients(Decoder* d) {
    if (setjmp(d->errors.jump)) return false;
    d->coefficients = jpeg_read_coefficients(&d->info);
    return d->coefficients != nullptr;
}

// Dequantises every block the picture uses and turns it into samples.
bool RunInverseDct(Decoder* d, const Plane* planes, void (*idct)(stbi_uc*, int, short*)) {
    if (setjmp(d->errors.jump)) return false;
    j_common_ptr common = reinterpret_cast<j_common_ptr>(&d->info);
    for (int c = 0; c < d->info.num_components; ++c) {
        const Plane& plane = planes[c];
        const UINT16* quant = d->info.comp_info[c].quant_table->quantval;
        for (int by = 0; by < plane.blocksHigh; ++by) {
            JBLOCKARRAY row =
                (*d->info.mem->access_virt_barray)(common, d->coefficients[c], static_cast<JDIMENSION>(by), 1, FALSE);
            for (int bx = 0; bx < plane.blocksWide; ++bx) {
                alignas(16) short data[64];
                // As the coefficients were dequantised before: the product
                // kept in 16 bits.
                for (int i = 0; i < 64; ++i) data[i] = static_cast<short>(row[0][bx][i] * quant[i]);
                idct(plane.samples + std::size_t(by) * 8 * std::size_t(plane.stride) + std::size_t(bx) * 8, plane.stride,
                     data);
            }
        }
    }
    return true;
}

// The picture's geometry from the frame header; false for what this reader
// refuses.
bool ReadLayout(const jpeg_decompress_struct& info, Layout& layout) {
    if (info.arith_code || info.data_precision != 8) return false;
    if (info.num_components != 1 && info.num_components != 3 && info.num_components != 4) return false;
    if (info.image_width == 0 || info.image_height == 0 || info.image_width > JDIMENSION(Bitmap::kMaxSide) ||
        info.image_height > JDIMENSION(Bitmap::kMaxSide))
        return false;
    layout.width = static_cast<int>(info.image_width);
    layout.height = static_cast<int>(info.image_height);
    layout.components = info.num_components;
    layout.maxH = info.max_h_samp_factor;
    layout.maxV = info.max_v_samp_factor;
    for (int c = 0; c < layout.components; ++c) {
        const jpeg_component_info& component = info.comp_info[c];
        layout.h[c] = component.h_samp_factor;
        layout.v[c] = component.v_samp_factor;
        layout.ids[c] = component.component_id;
        // The upsampling handles whole ratios only.
        if (layout.h[c] < 1 || layout.h[c] > 4 || layout.v[c] < 1 || layout.v[c] > 4 || layout.maxH % layout.h[c] != 0 ||
            layout.maxV % layout.v[c] != 0)
            return false;
    }
    return true;
}

// The JFIF tag and the last Adobe colour transform, from the saved APP0
// and APP14 segments.
void ReadColourMarkers(const jpeg_decompress_struct& info, Layout& layout) {
    for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 && m->original_length >= 5 && m->data_length >= 5 &&
            std::memcmp(m->data, "JFIF\0", 5) == 0)
            layout.jfif = true;
        if (m->marker == JPEG_APP0 + 14 && m->original_length >= 12 && m->data_length >= 12 &&
            std::memcmp(m->data, "Adobe\0", 6) == 0)
            layout.adobeTransform = m->data[11];
    }
}

stbi_uc Multiply(stbi_uc x, stbi_uc y) { return stbi__blinn_8x8(x, y); }

// Upsamples the planes and converts them to red, green, blue and alpha rows.
void BuildPicture(const Layout& layout, const Plane* planes, uint8_t* out) {
    const Kernels& kernels = TheKernels();
    const int n = layout.components;
    const std::size_t width = std::size_t(layout.width);
    const bool rgbIds = n == 3 && layout.ids[0] == 'R' && layout.ids[1] == 'G' && layout.ids[2] == 'B';
    const bool isRgb = n == 3 && (rgbIds || (layout.adobeTransform == 0 && !layout.jfif));

    struct Resampler {
        resample_row_func resample;
        stbi_uc* line0;
        stbi_uc* line1;
        int hs, vs, widthLow, ystep, ypos;
    } res[4];
    std::vector<uint8_t> lines[4];
    for (int c = 0; c < n; ++c) {
        Resampler& r = res[c];
        lines[c].resize(width + 3);  // room for upsampling past the edge by up to 4
        r.hs = layout.maxH / layout.h[c];
        r.vs = layout.maxV / layout.v[c];
        r.ystep = r.vs >> 1;
        r.widthLow = (layout.width + r.hs - 1) / r.hs;
        r.ypos = 0;
        r.line0 = r.line1 = planes[c].samples;
        if (r.hs == 1 && r.vs == 1)
            r.resample = resample_row_1;
        else if (r.hs == 1 && r.vs == 2)
            r.resample = stbi__resample_row_v_2;
        else if (r.hs == 2 && r.vs == 1)
            r.resample = stbi__resample_row_h_2;
        else if (r.hs == 2 && r.vs == 2)
            r.resample = kernels.resampleHv2;
        else
            r.resample = stbi__resample_row_generic;
    }

    stbi_uc* rows[4] = {};
    for (int j = 0; j < layout.height; ++j) {
        uint8_t* o = out + width * 4 * std::size_t(j);
        for (int c = 0; c < n; ++c) {
            Resampler& r = res[c];
            const bool bottom = r.ystep >= (r.vs >> 1);
            rows[c] = r.resample(lines[c].data(), bottom ? r.line1 : r.line0, bottom ? r.line0 : r.line1, r.widthLow,
                                 r.hs);
            if (++r.ystep >= r.vs) {
                r.ystep = 0;
                r.line0 = r.line1;
                if (++r.ypos < planes[c].height) r.line1 += planes[c].stride;
            }
        }
        if (n == 3 && isRgb) {
            for (std::size_t i = 0; i < width; ++i, o += 4) {
                o[0] = rows[0][i];
                o[1] = rows[1][i];
                o[2] = rows[2][i];
                o[3] = 255;
            }
        } else if (n == 4 && layout.adobeTransform == 0) {  // CMYK
            for (std::size_t i = 0; i < width; ++i, o += 4) {
                const stbi_uc k = rows[3][i];
                o[0] = Multiply(rows[0][i], k);
                o[1] = Multiply(rows[1][i], k);
                o[2] = Multiply(rows[2][i], k);
                o[3] = 255;
            }
        } else if (n == 4 && layout.adobeTransform == 2) {  // YCCK
            kernels.yccToRgb(o, rows[0], rows[1], rows[2], layout.width, 4);
            for (std::size_t i = 0; i < width; ++i, o += 4) {
                const stbi_uc k = rows[3][i];
                o[0] = Multiply(255 - o[0], k);
                o[1] = Multiply(255 - o[1], k);
                o[2] = Multiply(255 - o[2], k);
            }
        } else if (n >= 3) {  // YCbCr; a fourth component of another transform is left out
            kernels.yccToRgb(o, rows[0], rows[1], rows[2], layout.width, 4);
        } else {
            for (std::size_t i = 0; i < width; ++i, o += 4) {
                o[0] = o[1] = o[2] = rows[0][i];
                o[3] = 255;
            }
        }
    }
}

// Where libjpeg is to start: stb_image took any further 0xFF bytes before
// the start-of-image marker, libjpeg takes exactly two bytes.
bool FindStart(const uint8_t* bytes, std::size_t size, std::size_t& start) {
    if (!bytes || size < 2 || bytes[0] != 0xFF) return false;
    std::size_t i = 1;
    while (i < size && bytes[i] == 0xFF) ++i;
    if (i == size || bytes[i] != 0xD8) return false;
    start = i - 1;
    return true;
}

}  // namespace

bool JpegReader::IsJpeg(const uint8_t* bytes, std::size_t size) {
    std::size_t start = 0;
    return FindStart(bytes, size, start);
}

bool JpegReader::ReadSize(const uint8_t* bytes, std::size_t size, int& width, int& height) {
    std::size_t start = 0;
    if (!FindStart(bytes, size, start)) return false;
    Decoder decoder;
    Layout layout;
    if (!RunReadHeader(&decoder, bytes + start, size - start) || !ReadLayout(decoder.info, layout)) return false;
    width = layout.width;
    height = layout.height;
    return true;
}

bool JpegReader::Decode(const uint8_t* bytes, std::size_t size, const Destination& destination) {
    std::size_t start = 0;
    if (!FindStart(bytes, size, start)) return false;
    Decoder decoder;
    Layout layout;
    if (!RunReadHeader(&decoder, bytes + start, size - start) || !ReadLayout(decoder.info, layout)) return false;
    if (!RunReadCoefficients(&decoder)) return false;
    ReadColourMarkers(decoder.info, layout);

    Plane planes[4];
    std::vector<uint8_t> samples[4];
    for (int c = 0; c < layout.components; ++c) {
        const jpeg_component_info& component = decoder.info.comp_info[c];
        // A component no scan named has no table and no data.
        if (!component.quant_table) return false;
        Plane& plane = planes[c];
        plane.width = (layout.width * layout.h[c] + layout.maxH - 1) / layout.maxH;
        plane.height = (layout.height * layout.v[c] + layout.maxV - 1) / layout.maxV;
        plane.blocksWide = (plane.width + 7) / 8;
        plane.blocksHigh = (plane.height + 7) / 8;
        if (JDIMENSION(plane.blocksWide) > component.width_in_blocks ||
            JDIMENSION(plane.blocksHigh) > component.height_in_blocks)
            return false;
        plane.stride = plane.blocksWide * 8;
        samples[c].resize(std::size_t(plane.stride) * std::size_t(plane.blocksHigh) * 8);
        plane.samples = samples[c].data();
    }
    if (!RunInverseDct(&decoder, planes, TheKernels().idct)) return false;
    decoder.Close();  // the coefficients go before the picture is allocated

    uint8_t* out = destination(layout.width, layout.height);
    if (!out) return false;
    BuildPicture(layout, planes, out);
    return true;
}

}  // namespace Vek
