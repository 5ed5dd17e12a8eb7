#include "tetlib/textures/TextureCompress.h"

#include <nvtt/nvtt.h>

#include <algorithm>
#include <cstring>

namespace TETLib {

namespace {

// Receives the compressed levels from nvtt: each beginImage starts a new
// format-5 bitmap of the announced byte size, writeData fills it.
class OurOutputHandler : public nvtt::OutputHandler {
public:
    explicit OurOutputHandler(TextureCompress& result) : m_result(result) {}

    void beginImage(int size, int width, int height, int /*depth*/, int /*face*/, int /*miplevel*/) override {
        Finish();
        m_current = std::make_unique<Vek::Bitmap>();
        m_declared = size > 0 ? static_cast<size_t>(size) : 0;
        m_position = 0;
        if (!m_current->Init(std::max(width, 1), std::max(height, 1), Vek::Bitmap::kRaw, nullptr, m_declared)) {
            m_current.reset();
            m_declared = 0;
        }
    }

    bool writeData(const void* data, int size) override {
        if (size < 0) return false;
        const size_t count = static_cast<size_t>(size);
        if (!m_current || m_position + count > m_declared) return false;
        std::memcpy(m_current->GetData() + m_position, data, count);
        m_position += count;
        return true;
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

// Keeps the text of the last error nvtt reported for this compression.
class OurErrorHandler : public nvtt::ErrorHandler {
public:
    void error(nvtt::Error e) override { m_text = nvtt::errorString(e); }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
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
    nvtt::Compressor compressor;
    nvtt::InputOptions input;
    nvtt::OutputOptions output;
    nvtt::CompressionOptions compression;
    OurOutputHandler outputHandler(result);
    OurErrorHandler errorHandler;

    input.setMipmapGeneration(options.mipmaps, -1);
    if (options.normalMap) input.setNormalMap(true);
    input.setWrapMode(options.wrap ? nvtt::WrapMode_Repeat : nvtt::WrapMode_Clamp);
    compressor.enableCudaAcceleration(options.gpuAcceleration);
    switch (options.target) {
        case 10: compression.setFormat(options.alpha ? nvtt::Format_DXT1a : nvtt::Format_DXT1); break;
        case 11: compression.setFormat(nvtt::Format_DXT3); break;
        default: compression.setFormat(nvtt::Format_DXT5); break;
    }
    compression.setQuality(nvtt::Quality_Production);
    input.setTextureLayout(nvtt::TextureType_2D, source.GetWidth(), source.GetHeight(), 1);

    // nvtt reads tightly packed BGRA rows; a padded bitmap is packed first.
    const size_t rowBytes = static_cast<size_t>(source.GetWidth()) * 4;
    std::vector<uint8_t> packed;
    const void* pixels = source.GetData();
    if (source.GetStride() != rowBytes) {
        packed.resize(rowBytes * static_cast<size_t>(source.GetHeight()));
        for (int y = 0; y < source.GetHeight(); ++y)
            std::memcpy(packed.data() + rowBytes * y, source.GetData() + source.GetStride() * y, rowBytes);
        pixels = packed.data();
    }
    input.setMipmapData(pixels, source.GetWidth(), source.GetHeight(), 1, 0, 0);

    // Other textures use the best downsampling filter the library offers.
    // nvtt 2.0.8 knows only Box, Triangle and Kaiser, and takes any higher
    // filter number as Kaiser; it is named here so the choice does not rest
    // on that fallback.
    input.setMipmapFilter(options.normalMap ? nvtt::MipmapFilter_Box : nvtt::MipmapFilter_Kaiser);

    output.setOutputHandler(&outputHandler);
    output.setErrorHandler(&errorHandler);
    output.setOutputHeader(false);

    if (!compressor.process(input, compression, output)) {
        outputHandler.Discard();
        if (error) *error = errorHandler.Text().empty() ? std::string("Texture compression failed") : errorHandler.Text();
        return false;
    }
    outputHandler.Finish();
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
