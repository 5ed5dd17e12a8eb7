#include "tetlib/textures/TextureCompress.h"

#include <algorithm>
#include <cstring>

#include "tetlib/textures/DxtCompressorModule.h"

namespace TETLib {

namespace {

// Receives the compressed levels from the compressor: each begin starts a
// new format-5 bitmap of the announced byte size, write fills it.
class LevelCollector {
public:
    explicit LevelCollector(TextureCompress& result) : m_result(result) {}

    static int Begin(void* user, int size, int width, int height) {
        auto* self = static_cast<LevelCollector*>(user);
        self->Finish();
        self->m_current = std::make_unique<Vek::Bitmap>();
        self->m_declared = size > 0 ? static_cast<size_t>(size) : 0;
        self->m_position = 0;
        if (!self->m_current->Init(std::max(width, 1), std::max(height, 1), Vek::Bitmap::kRaw, nullptr,
                                   self->m_declared)) {
            self->m_current.reset();
            self->m_declared = 0;
            return 0;
        }
        return 1;
    }

    static int Write(void* user, const void* data, int size) {
        auto* self = static_cast<LevelCollector*>(user);
        if (size < 0) return 0;
        const size_t count = static_cast<size_t>(size);
        if (!self->m_current || self->m_position + count > self->m_declared) return 0;
        std::memcpy(self->m_current->GetData() + self->m_position, data, count);
        self->m_position += count;
        return 1;
    }

    // Appends the image still being written.
    void Finish() {
        if (m_current) m_result.Append(std::move(m_current));
        m_current.reset();
    }
    void Discard() { m_current.reset(); }

private:
    TextureCompress& m_result;
    std::unique_ptr<Vek::Bitmap> m_current;
    size_t m_declared = 0;
    size_t m_position = 0;
};

void ForceOpaque(Vek::Bitmap& bitmap) {
    uint8_t* row = bitmap.GetData();
    for (int y = 0; y < bitmap.GetHeight(); ++y, row += bitmap.GetStride()) {
        for (int x = 0; x < bitmap.GetWidth(); ++x) {
            uint32_t pixel;
            std::memcpy(&pixel, row + x * 4, 4);
            pixel |= 0xFF000000u;
            std::memcpy(row + x * 4, &pixel, 4);
        }
    }
}

bool CompressUncompressed(const Vek::Bitmap& source, TextureCompress& result, int format) {
    auto level = std::make_unique<Vek::Bitmap>();
    if (!level->Init(source.GetWidth(), source.GetHeight(), format)) return false;
    level->CopyImage(source, 0, 0);
    for (;;) {
        level->DetachAlias();
        const int width = level->GetWidth();
        const int height = level->GetHeight();
        std::unique_ptr<Vek::Bitmap> next;
        if (!(width <= 1 && height < 2)) {
            next = level->Scale(std::max(width / 2, 1), std::max(height / 2, 1));
            if (!next) return false;
        }
        result.Append(std::move(level));
        if (!next) return true;
        level = std::move(next);
    }
}

bool CompressDxt(const Vek::Bitmap& source, TextureCompress& result, const TextureCompressOptions& options,
                 std::string* error) {
    std::string unavailable;
    const VorlexDxtCompressFunction compress = GetDxtCompressor(&unavailable);
    if (!compress) {
        if (error) *error = unavailable;
        return false;
    }

    // The compressor reads tightly packed BGRA rows; a padded bitmap is
    // packed first.
    const size_t rowBytes = static_cast<size_t>(source.GetWidth()) * 4;
    std::vector<uint8_t> packed;
    const void* pixels = source.GetData();
    if (source.GetStride() != rowBytes) {
        packed.resize(rowBytes * static_cast<size_t>(source.GetHeight()));
        for (int y = 0; y < source.GetHeight(); ++y)
            std::memcpy(packed.data() + rowBytes * y, source.GetData() + source.GetStride() * y, rowBytes);
        pixels = packed.data();
    }

    VorlexDxtRequest request{};
    request.pixels = pixels;
    request.width = source.GetWidth();
    request.height = source.GetHeight();
    request.target = options.target;
    request.alpha = options.alpha;
    request.wrap = options.wrap;
    request.normalMap = options.normalMap;
    request.mipmaps = options.mipmaps;
    request.gpuAcceleration = options.gpuAcceleration;
    LevelCollector collector(result);
    const VorlexDxtSink sink{&collector, &LevelCollector::Begin, &LevelCollector::Write};
    char text[256];
    if (!compress(&request, &sink, text, sizeof text)) {
        collector.Discard();
        if (error) *error = text[0] ? text : "Texture compression failed";
        return false;
    }
    collector.Finish();
    return true;
}

}  // namespace

bool TextureCompress::Compress(Vek::Bitmap& source, TextureCompress& result, const TextureCompressOptions& options,
                               std::string* error) {
    if (error) error->clear();
    const int format = source.GetFormat();
    if (format != Vek::Bitmap::kARGB32 && format != Vek::Bitmap::kXRGB32) return false;
    const int target = options.target;
    if (target != 1 && target != 3 && target != 5 && target != 10 && target != 11 && target != 12) return false;
    if (format == Vek::Bitmap::kXRGB32 || target == 3) ForceOpaque(source);

    switch (target) {
        case 1: return CompressUncompressed(source, result, Vek::Bitmap::kARGB32);
        case 3: return CompressUncompressed(source, result, Vek::Bitmap::kXRGB32);
        case 5: return CompressUncompressed(source, result, Vek::Bitmap::kRGB24);
        default: return CompressDxt(source, result, options, error);
    }
}

}  // namespace TETLib
