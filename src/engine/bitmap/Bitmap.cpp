#include "engine/bitmap/Bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <utility>

#include "engine/File.h"
#include "engine/bitmap/JpegReader.h"
#include "engine/bitmap/PngReader.h"

// stb_image reads TGA and BMP files only; JPEG and PNG have their readers.
#define STBI_ONLY_TGA
#define STBI_ONLY_BMP
#define STBI_MAX_DIMENSIONS 16384
#include "engine/bitmap/StbImage.h"

namespace Vek {

namespace {

constexpr std::size_t kMaxFileBytes = std::size_t(256) << 20;

uint32_t Channel(uint32_t color, int shift) { return (color >> shift) & 0xFFu; }

uint32_t Blend(uint32_t dst, uint32_t src) {
    uint32_t a = Channel(src, 24);
    if (a == 255) return src;
    if (a == 0) return dst;
    uint32_t inv = 255 - a;
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        uint32_t c = (Channel(src, shift) * a + Channel(dst, shift) * inv + 127) / 255;
        out |= c << shift;
    }
    uint32_t alpha = a + (Channel(dst, 24) * inv + 127) / 255;
    return out | (std::min<uint32_t>(alpha, 255) << 24);
}

}  // namespace

Bitmap::Bitmap(const Bitmap& other)
    : m_width(other.m_width), m_height(other.m_height), m_format(other.m_format), m_stride(other.m_stride),
      m_byteSize(other.m_byteSize), m_bytes(other.GetData(), other.GetData() + other.m_byteSize) {}

Bitmap& Bitmap::operator=(const Bitmap& other) {
    if (this != &other) {
        Bitmap copy(other);
        *this = std::move(copy);
    }
    return *this;
}

int Bitmap::BytesPerPixel(int format) {
    switch (format) {
        case kRGB24: return 3;
        case kARGB32:
        case kXRGB32: return 4;
        case kGrey8: return 1;
        default: return 0;
    }
}

void Bitmap::Reset() {
    m_budget.Release();
    m_width = m_height = 0;
    m_format = kNone;
    m_stride = m_byteSize = 0;
    m_bytes.clear();
    m_bytes.shrink_to_fit();
    m_alias = nullptr;
}

bool Bitmap::Init(int width, int height, int format, const void* data, std::size_t byteSize) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
    std::size_t stride, size;
    if (format == kRaw) {
        stride = 0;
        size = byteSize;
        if (size == 0 || size > kMaxFileBytes) return false;
    } else {
        int bpp = BytesPerPixel(format);
        if (bpp == 0) return false;
        stride = std::size_t(width) * static_cast<std::size_t>(bpp);
        size = stride * static_cast<std::size_t>(height);
        if (data && byteSize < size) return false;
    }
    std::vector<uint8_t> bytes(size);
    if (data) std::memcpy(bytes.data(), data, size);
    m_bytes = std::move(bytes);
    m_alias = nullptr;
    m_budget.Release();
    m_width = width;
    m_height = height;
    m_format = format;
    m_stride = stride;
    m_byteSize = size;
    return true;
}

bool Bitmap::InitWithinBudget(int width, int height, int format) {
    const int bpp = BytesPerPixel(format);
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || bpp == 0 || format == kRaw) return false;
    PictureBudget::Reservation budget;
    if (!PictureBudget::Reserve(uint64_t(width) * uint64_t(height) * uint64_t(bpp), budget)) return false;
    if (!Init(width, height, format)) return false;
    m_budget = std::move(budget);
    return true;
}

bool Bitmap::InitAlias(int width, int height, int format, void* data, std::size_t byteSize) {
    if (!data || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
    std::size_t stride = 0, size = byteSize;
    if (format != kRaw) {
        int bpp = BytesPerPixel(format);
        if (bpp == 0) return false;
        stride = std::size_t(width) * static_cast<std::size_t>(bpp);
        size = stride * static_cast<std::size_t>(height);
        if (byteSize < size) return false;
    } else if (byteSize == 0) {
        return false;
    }
    m_bytes.clear();
    m_alias = static_cast<uint8_t*>(data);
    m_width = width;
    m_height = height;
    m_format = format;
    m_stride = stride;
    m_byteSize = size;
    return true;
}

void Bitmap::DetachAlias() {
    if (!m_alias) return;
    m_bytes.assign(m_alias, m_alias + m_byteSize);
    m_alias = nullptr;
}

namespace {

thread_local Bitmap::LoadFailure t_loadFailure = Bitmap::LoadFailure::kNone;

uint32_t Little16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t Little32(const uint8_t* p) { return Little16(p) | Little16(p + 2) << 16; }

// The file length an uncompressed TGA or BMP needs for the pixels its
// header declares; 0 for other files and for compressed pictures (their
// decoders stop at the end of the data), and for sizes the decoder refuses
// anyway. The decoder fills missing rows, so a 21-byte file could stand for
// a picture of tens of megapixels.
uint64_t DeclaredFileBytes(const uint8_t* bytes, std::size_t size) {
    const auto bytesOf = [](uint64_t bits) { return (bits + 7) / 8; };
    if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        if (size < 26) return 0;
        const uint64_t offset = Little32(bytes + 10);
        const uint32_t header = Little32(bytes + 14);
        uint64_t width = 0, height = 0, bits = 0, compression = 0;
        if (header == 12) {
            width = Little16(bytes + 18);
            height = Little16(bytes + 20);
            bits = Little16(bytes + 24);
        } else if (header >= 40 && size >= 34) {
            const int32_t w = static_cast<int32_t>(Little32(bytes + 18));
            const int32_t h = static_cast<int32_t>(Little32(bytes + 22));
            width = w < 0 ? 0 : uint64_t(w);
            height = h < 0 ? uint64_t(-int64_t(h)) : uint64_t(h);
            bits = Little16(bytes + 28);
            compression = Little32(bytes + 30);
        } else {
            return 0;
        }
        // 0 plain, 3 and 6 bit fields: rows of whole 32-bit words.
        if (compression != 0 && compression != 3 && compression != 6) return 0;
        if (width == 0 || height == 0 || width > Bitmap::kMaxSide || height > Bitmap::kMaxSide || bits > 32) return 0;
        return offset + (width * bits + 31) / 32 * 4 * height;
    }
    if (size >= 4 && bytes[0] == 0x89 && bytes[1] == 'P' && bytes[2] == 'N' && bytes[3] == 'G') return 0;
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) return 0;
    // TGA has no signature: the decoders above have had their turn.
    if (size < 18) return 0;
    const uint32_t type = bytes[2];
    if (type != 1 && type != 2 && type != 3) return 0;
    const uint64_t width = Little16(bytes + 12), height = Little16(bytes + 14);
    if (width == 0 || height == 0 || width > Bitmap::kMaxSide || height > Bitmap::kMaxSide) return 0;
    const uint64_t palette = bytes[1] == 1 ? uint64_t(Little16(bytes + 5)) * bytesOf(bytes[7]) : 0;
    return 18 + uint64_t(bytes[0]) + palette + width * height * bytesOf(bytes[16]);
}

}  // namespace

Bitmap::LoadFailure Bitmap::LastLoadFailure() { return t_loadFailure; }

uint64_t Bitmap::DecodeBytes(const uint8_t* bytes, std::size_t size) {
    if (!bytes || size == 0 || size > kMaxFileBytes) return 0;
    int w = 0, h = 0, channels = 0;
    bool known = false;
    if (JpegReader::IsJpeg(bytes, size))
        known = JpegReader::ReadSize(bytes, size, w, h);
    else if (PngReader::IsPng(bytes, size))
        known = PngReader::ReadSize(bytes, size, w, h);
    else
        known = stbi_info_from_memory(bytes, static_cast<int>(size), &w, &h, &channels) != 0;
    if (!known || w <= 0 || h <= 0) return 0;
    return uint64_t(w) * uint64_t(h) * 4 * 2;
}

namespace {

// A TGA or BMP file through stb_image, as rows of red, green, blue and alpha.
bool DecodeWithStb(const uint8_t* bytes, std::size_t size, const std::function<uint8_t*(int, int)>& destination) {
    int w = 0, h = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(bytes, static_cast<int>(size), &w, &h, &channels, 4);
    if (!pixels) return false;
    uint8_t* out = destination(w, h);
    if (out) std::memcpy(out, pixels, std::size_t(w) * std::size_t(h) * 4);
    stbi_image_free(pixels);
    return out != nullptr;
}

}  // namespace

bool Bitmap::LoadFromMemory(const uint8_t* bytes, std::size_t size) {
    t_loadFailure = LoadFailure::kUnreadable;
    if (!bytes || size == 0 || size > kMaxFileBytes) return false;
    const uint64_t declared = DeclaredFileBytes(bytes, size);
    if (declared > size) {
        t_loadFailure = LoadFailure::kShortPixelData;
        return false;
    }
    const uint64_t decodeBytes = DecodeBytes(bytes, size);
    if (decodeBytes == 0) return false;
    PictureBudget::Reservation budget;
    if (!PictureBudget::Reserve(decodeBytes, budget, PictureBudget::CurrentWaitMs())) {
        t_loadFailure = LoadFailure::kNoBudget;
        return false;
    }
    Bitmap loaded;
    const auto destination = [&loaded, decodeBytes](int w, int h) -> uint8_t* {
        if (uint64_t(w) * uint64_t(h) * 4 * 2 > decodeBytes || !loaded.Init(w, h, kARGB32)) return nullptr;
        return loaded.GetData();
    };
    bool ok = false;
    if (JpegReader::IsJpeg(bytes, size))
        ok = JpegReader::Decode(bytes, size, destination);
    else if (PngReader::IsPng(bytes, size))
        ok = PngReader::Decode(bytes, size, destination);
    else
        ok = DecodeWithStb(bytes, size, destination);
    if (!ok || loaded.IsEmpty()) return false;
    // Red, green, blue, alpha to the bitmap's blue, green, red, alpha.
    uint8_t* out = loaded.GetData();
    const std::size_t count = std::size_t(loaded.GetWidth()) * std::size_t(loaded.GetHeight());
    for (std::size_t i = 0; i < count; ++i) std::swap(out[i * 4 + 0], out[i * 4 + 2]);
    budget.ShrinkTo(loaded.GetByteSize());
    loaded.m_budget = std::move(budget);
    *this = std::move(loaded);
    t_loadFailure = LoadFailure::kNone;
    return true;
}

bool Bitmap::Load(const char* path, const PString& folder, bool /*keepFileFormat*/) {
    t_loadFailure = LoadFailure::kUnreadable;
    if (!path || !*path) return false;
    File file;
    if (!file.Open(folder, path, File::kModeRead)) return false;
    int64_t length = file.Length();
    if (length <= 0 || static_cast<uint64_t>(length) > kMaxFileBytes) return false;
    std::vector<uint8_t> bytes(static_cast<std::size_t>(length));
    if (file.Read(bytes.data(), bytes.size()) != bytes.size()) return false;
    return LoadFromMemory(bytes.data(), bytes.size());
}

uint32_t Bitmap::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
    const uint8_t* p = GetData() + std::size_t(y) * m_stride;
    switch (m_format) {
        case kRGB24:
            p += std::size_t(x) * 3;
            return 0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
        case kARGB32:
        case kXRGB32: {
            uint32_t v;
            std::memcpy(&v, p + std::size_t(x) * 4, 4);
            return m_format == kXRGB32 ? (v | 0xFF000000u) : v;
        }
        case kGrey8: {
            uint32_t g = p[x];
            return 0xFF000000u | (g << 16) | (g << 8) | g;
        }
        default: return 0;
    }
}

bool Bitmap::SetPixel(int x, int y, uint32_t color) {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return false;
    uint8_t* p = GetData() + std::size_t(y) * m_stride;
    switch (m_format) {
        case kRGB24:
            p += std::size_t(x) * 3;
            p[0] = static_cast<uint8_t>(color);
            p[1] = static_cast<uint8_t>(color >> 8);
            p[2] = static_cast<uint8_t>(color >> 16);
            return true;
        case kARGB32:
        case kXRGB32:
            std::memcpy(p + std::size_t(x) * 4, &color, 4);
            return true;
        case kGrey8:
            p[x] = static_cast<uint8_t>(color >> 8);
            return true;
        default: return false;
    }
}

bool Bitmap::CopyImage(const Bitmap& source, int x, int y) {
    if (BytesPerPixel(m_format) == 0 || BytesPerPixel(source.m_format) == 0) return false;
    for (int sy = 0; sy < source.m_height; ++sy)
        for (int sx = 0; sx < source.m_width; ++sx) SetPixel(x + sx, y + sy, source.GetPixel(sx, sy));
    return true;
}

std::unique_ptr<Bitmap> Bitmap::Scale(int width, int height) const {
    if (BytesPerPixel(m_format) == 0) return nullptr;
    auto out = std::make_unique<Bitmap>();
    if (!out->Init(width, height, m_format)) return nullptr;
    for (int y = 0; y < height; ++y) {
        int y0 = static_cast<int>(int64_t(y) * m_height / height);
        int y1 = std::max(y0 + 1, static_cast<int>(int64_t(y + 1) * m_height / height));
        for (int x = 0; x < width; ++x) {
            int x0 = static_cast<int>(int64_t(x) * m_width / width);
            int x1 = std::max(x0 + 1, static_cast<int>(int64_t(x + 1) * m_width / width));
            uint64_t sum[4] = {0, 0, 0, 0};
            uint64_t n = 0;
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx) {
                    uint32_t c = GetPixel(sx, sy);
                    for (int k = 0; k < 4; ++k) sum[k] += Channel(c, k * 8);
                    ++n;
                }
            uint32_t c = 0;
            for (int k = 0; k < 4; ++k) c |= static_cast<uint32_t>((sum[k] + n / 2) / n) << (k * 8);
            out->SetPixel(x, y, c);
        }
    }
    return out;
}

void Bitmap::Clear(uint32_t color) {
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x) SetPixel(x, y, color);
}

void Bitmap::Plot(int x, int y, uint32_t color) {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
    SetPixel(x, y, Blend(GetPixel(x, y), color));
}

void Bitmap::BlendPixel(int x, int y, uint32_t color) { Plot(x, y, color); }

void Bitmap::Fill(int x1, int x2, int y, uint32_t color) {
    if (y < 0 || y >= m_height) return;
    if (x1 > x2) std::swap(x1, x2);
    x1 = std::max(x1, 0);
    x2 = std::min(x2, m_width - 1);
    for (int x = x1; x <= x2; ++x) Plot(x, y, color);
}

void Bitmap::Box(int x, int y, int width, int height, uint32_t color, int mode) {
    // 64-bit edges, clamped to one pixel outside the bitmap: sizes from
    // scripts can be anything, and the work stays within the bitmap.
    int64_t left = x, top = y, w = width, h = height;
    if (w < 0) {
        left += w;
        w = -w;
    }
    if (h < 0) {
        top += h;
        h = -h;
    }
    if (w == 0 || h == 0) return;
    const int64_t right = left + w - 1, bottom = top + h - 1;
    if (right < 0 || bottom < 0 || left >= m_width || top >= m_height) return;
    const int x1 = static_cast<int>(std::max<int64_t>(left, -1)), x2 = static_cast<int>(std::min<int64_t>(right, m_width));
    const int y1 = static_cast<int>(std::max<int64_t>(top, -1)), y2 = static_cast<int>(std::min<int64_t>(bottom, m_height));
    if (mode == kModeFilled) {
        for (int row = std::max(y1, 0); row <= std::min(y2, m_height - 1); ++row) Fill(x1, x2, row, color);
        return;
    }
    Fill(x1, x2, y1, color);
    if (bottom != top) Fill(x1, x2, y2, color);
    for (int row = std::max(y1 + 1, 0); row <= std::min(y2 - 1, m_height - 1); ++row) {
        Plot(x1, row, color);
        if (right != left) Plot(x2, row, color);
    }
}

namespace {

// Lines longer than this are first clipped to the bitmap, so that their
// cost follows the bitmap's size, not the coordinates' (shorter lines are
// drawn exactly as given: every line inside a bitmap is shorter).
constexpr int64_t kLongLine = int64_t(1) << 17;
// Outlines of circles with a larger radius are drawn row by row over the
// bitmap's rows only.
constexpr int kLargeRadius = 1 << 16;

// Clips the segment to [xmin, xmax] x [ymin, ymax] (Liang-Barsky); false
// when nothing of it is inside.
bool ClipSegment(double& x1, double& y1, double& x2, double& y2, double xmin, double ymin, double xmax, double ymax) {
    double t0 = 0.0, t1 = 1.0;
    const double dx = x2 - x1, dy = y2 - y1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - xmin, xmax - x1, y1 - ymin, ymax - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
    }
    const double sx = x1, sy = y1;
    x1 = sx + t0 * dx;
    y1 = sy + t0 * dy;
    x2 = sx + t1 * dx;
    y2 = sy + t1 * dy;
    return true;
}

}  // namespace

void Bitmap::Line(int x1, int y1, int x2, int y2, uint32_t color, int /*mode*/) {
    if (std::max(x1, x2) < 0 || std::max(y1, y2) < 0 || std::min(x1, x2) >= m_width || std::min(y1, y2) >= m_height)
        return;
    if (std::max(std::abs(int64_t(x2) - x1), std::abs(int64_t(y2) - y1)) > kLongLine) {
        double ax = x1, ay = y1, bx = x2, by = y2;
        if (!ClipSegment(ax, ay, bx, by, -1.0, -1.0, m_width, m_height)) return;
        x1 = static_cast<int>(std::lround(ax));
        y1 = static_cast<int>(std::lround(ay));
        x2 = static_cast<int>(std::lround(bx));
        y2 = static_cast<int>(std::lround(by));
    }
    int64_t dx = std::abs(int64_t(x2) - x1), dy = -std::abs(int64_t(y2) - y1);
    int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int64_t err = dx + dy;
    int64_t x = x1, y = y1;
    for (;;) {
        if (x >= 0 && y >= 0 && x < m_width && y < m_height) Plot(static_cast<int>(x), static_cast<int>(y), color);
        if (x == x2 && y == y2) break;
        int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void Bitmap::Circle(int cx, int cy, int radius, uint32_t color, int mode) {
    if (radius < 0) return;
    const int64_t r = radius;
    if (int64_t(cx) + r < 0 || int64_t(cy) + r < 0 || int64_t(cx) - r >= m_width || int64_t(cy) - r >= m_height) return;
    const int64_t r2 = r * r;
    // Half the width of the circle at a row `dy` from its centre.
    const auto halfWidth = [r2](int64_t dy) {
        return static_cast<int64_t>(std::floor(std::sqrt(static_cast<double>(r2 - dy * dy))));
    };
    const int64_t firstRow = std::max<int64_t>(-r, -int64_t(cy));
    const int64_t lastRow = std::min<int64_t>(r, int64_t(m_height) - 1 - cy);
    if (mode == kModeFilled) {
        for (int64_t dy = firstRow; dy <= lastRow; ++dy) {
            const int64_t dx = halfWidth(dy);
            Fill(static_cast<int>(std::max<int64_t>(cx - dx, -1)), static_cast<int>(std::min<int64_t>(cx + dx, m_width)),
                 static_cast<int>(cy + dy), color);
        }
        return;
    }
    if (radius > kLargeRadius) {
        // Row by row: on each row the outline covers what the next row
        // outwards does not.
        for (int64_t dy = firstRow; dy <= lastRow; ++dy) {
            const int64_t distance = std::abs(dy);
            const int64_t outer = halfWidth(distance);
            const int64_t inner = std::min(distance + 1 <= r ? halfWidth(distance + 1) + 1 : 0, outer);
            const int row = static_cast<int>(cy + dy);
            Fill(static_cast<int>(std::max<int64_t>(cx - outer, -1)), static_cast<int>(std::min<int64_t>(cx - inner, m_width)),
                 row, color);
            const int64_t rightStart = inner == 0 ? 1 : inner;
            if (rightStart <= outer)
                Fill(static_cast<int>(std::max<int64_t>(cx + rightStart, -1)),
                     static_cast<int>(std::min<int64_t>(cx + outer, m_width)), row, color);
        }
        return;
    }
    // Midpoint circle; each pixel is blended once.
    std::vector<std::pair<int, int>> points;
    int x = radius, y = 0, err = 1 - radius;
    while (x >= y) {
        const std::pair<int, int> eight[] = {{x, y}, {y, x}, {-y, x}, {-x, y}, {-x, -y}, {-y, -x}, {y, -x}, {x, -y}};
        for (const auto& p : eight) points.emplace_back(cx + p.first, cy + p.second);
        ++y;
        if (err < 0) {
            err += 2 * y + 1;
        } else {
            --x;
            err += 2 * (y - x) + 1;
        }
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    for (const auto& p : points) Plot(p.first, p.second, color);
}

void Bitmap::Triangle(int x1, int y1, int x2, int y2, int x3, int y3, uint32_t color, int mode) {
    if (mode != kModeFilled) {
        Line(x1, y1, x2, y2, color, mode);
        Line(x2, y2, x3, y3, color, mode);
        Line(x3, y3, x1, y1, color, mode);
        return;
    }
    // 128-bit products: corners from scripts span the whole int range.
    using Wide = __int128;
    const Wide area = Wide(int64_t(x2) - x1) * (int64_t(y3) - y1) - Wide(int64_t(y2) - y1) * (int64_t(x3) - x1);
    if (area == 0) {
        Line(x1, y1, x2, y2, color, mode);
        Line(x2, y2, x3, y3, color, mode);
        return;
    }
    int minX = std::max(std::min({x1, x2, x3}), 0), maxX = std::min(std::max({x1, x2, x3}), m_width - 1);
    int minY = std::max(std::min({y1, y2, y3}), 0), maxY = std::min(std::max({y1, y2, y3}), m_height - 1);
    auto edge = [](int64_t ax, int64_t ay, int64_t bx, int64_t by, int64_t px, int64_t py) {
        return Wide(bx - ax) * (py - ay) - Wide(by - ay) * (px - ax);
    };
    for (int y = minY; y <= maxY; ++y) {
        for (int x = minX; x <= maxX; ++x) {
            const Wide e1 = edge(x1, y1, x2, y2, x, y), e2 = edge(x2, y2, x3, y3, x, y), e3 = edge(x3, y3, x1, y1, x, y);
            bool inside = area > 0 ? (e1 >= 0 && e2 >= 0 && e3 >= 0) : (e1 <= 0 && e2 <= 0 && e3 <= 0);
            if (inside) Plot(x, y, color);
        }
    }
}

void Bitmap::Image(const Bitmap& source, int x, int y, const Rect& from, int /*mode*/, const Rect* clip) {
    if (BytesPerPixel(m_format) == 0 || BytesPerPixel(source.m_format) == 0) return;
    int cx1 = 0, cy1 = 0, cx2 = m_width, cy2 = m_height;
    if (clip) {
        cx1 = std::max(cx1, clip->x);
        cy1 = std::max(cy1, clip->y);
        cx2 = std::min<int64_t>(cx2, int64_t(clip->x) + clip->width);
        cy2 = std::min<int64_t>(cy2, int64_t(clip->y) + clip->height);
    }
    // Copying a bitmap onto itself reads from a snapshot.
    const Bitmap* src = &source;
    Bitmap snapshot;
    if (&source == this) {
        snapshot = source;
        src = &snapshot;
    }
    for (int row = 0; row < from.height; ++row) {
        int sy = from.y + row, dy = y + row;
        if (sy < 0 || sy >= src->m_height || dy < cy1 || dy >= cy2) continue;
        for (int col = 0; col < from.width; ++col) {
            int sx = from.x + col, dx = x + col;
            if (sx < 0 || sx >= src->m_width || dx < cx1 || dx >= cx2) continue;
            SetPixel(dx, dy, src->GetPixel(sx, sy));
        }
    }
}

}  // namespace Vek
