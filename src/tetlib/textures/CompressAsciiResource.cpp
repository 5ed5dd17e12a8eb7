#include "tetlib/textures/CompressAsciiResource.h"

#include <cstdlib>

#include "engine/File.h"
#include "engine/textures/CompiledTexture.h"
#include "tetlib/textures/TextureTarget.h"

namespace TETLib {

namespace {

uint32_t ParseSize(const std::string& text, uint32_t fallback) {
    if (text.empty()) return fallback;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (end == text.c_str() || value == 0 || value > 0xFFFFFFFFul) return fallback;
    return static_cast<uint32_t>(value);
}

}  // namespace

bool CompressAsciiResource::LoadTxt(const std::string& text, std::string& error) {
    if (!m_options) {
        error = "no conversion options";
        return false;
    }
    m_forced = m_options->Has("forceOptions");
    std::string maxSize;
    if (m_options->GetValue("MaxTextureSize", maxSize)) {
        const size_t comma = maxSize.find(',');
        m_maxWidth = ParseSize(maxSize.substr(0, comma), m_maxWidth);
        if (comma != std::string::npos) m_maxHeight = ParseSize(maxSize.substr(comma + 1), m_maxHeight);
    }
    m_description = Vek::TextureDescription();
    if (m_forced && !m_description.Parse(text, error)) return false;
    for (const char* key : {"Hint", "AlphaHint", "Anisotropy", "AutoMip", "MagFilter", "MinFilter", "MipFilter", "Tile"}) {
        std::string value;
        if (m_options->GetValue(key, value) && !m_description.Apply(key, value, error)) return false;
    }
    // Not forced: the description's own settings override the options.
    if (!m_forced && !m_description.Parse(text, error)) return false;
    return true;
}

bool CompressAsciiResource::LoadImage(const char* folder, const Vek::PString& root, std::string& error) {
    return m_description.LoadImage(folder, root, m_image, error);
}

void CompressAsciiResource::GetSize(uint32_t& width, uint32_t& height) const {
    LimitTextureSize(static_cast<uint32_t>(m_image.GetWidth()), static_cast<uint32_t>(m_image.GetHeight()), m_maxWidth,
                     m_maxHeight, width, height);
}

int CompressAsciiResource::ChooseTarget() {
    TextureTargetInput input;
    std::string compression;
    input.hasOptions = m_options != nullptr;
    if (m_options && m_options->GetValue("Compression", compression)) input.compression = compression.c_str();
    input.forced = m_forced;
    input.alphaClass = m_description.alphaClass;
    input.compressionCode = m_description.compression;
    input.normalMapHint = m_description.normalMapHint;
    GetSize(input.width, input.height);
    return ChooseTextureTarget(input, m_targetAlpha);
}

bool CompressAsciiResource::CompressImages(bool gpuAcceleration, std::string& error) {
    m_compressed.clear();
    if (m_image.IsEmpty()) return true;
    uint32_t width = 0, height = 0;
    GetSize(width, height);
    Vek::Bitmap image;
    if (width != static_cast<uint32_t>(m_image.GetWidth()) || height != static_cast<uint32_t>(m_image.GetHeight())) {
        auto scaled = m_image.Scale(static_cast<int>(width), static_cast<int>(height));
        if (!scaled) {
            error = "cannot scale the image";
            return false;
        }
        image = std::move(*scaled);
    } else {
        image = m_image;
    }
    image.DetachAlias();
    if (m_description.modifyMap == 1 && image.GetFormat() != Vek::Bitmap::kXRGB32) {
        for (int y = 0; y < image.GetHeight(); ++y)
            for (int x = 0; x < image.GetWidth(); ++x) {
                const uint32_t pixel = image.GetPixel(x, y);
                if (pixel == 0) continue;
                const uint32_t green = 255 - ((pixel >> 8) & 0xFF);
                image.SetPixel(x, y, (pixel & 0xFFFF00FFu) | green << 8);
            }
    }
    TextureCompressOptions options;
    options.target = ChooseTarget();
    options.alpha = m_targetAlpha;
    options.wrap = m_description.wrapS == 2 || m_description.wrapT == 2;
    options.normalMap = m_description.normalMapHint;
    options.mipmaps = m_description.mipmaps;
    options.gpuAcceleration = gpuAcceleration;
    auto result = std::make_unique<TextureCompress>();
    if (!TextureCompress::Compress(image, *result, options, &error)) return false;
    m_compressed.push_back(std::move(result));
    return true;
}

bool CompressAsciiResource::SaveTo(const Vek::PString& root, const char* outputPath, bool gpuAcceleration,
                                   std::string& error) {
    if (!CompressImages(gpuAcceleration, error)) return false;
    Vek::CompiledTexture compiled;
    compiled.target = static_cast<uint32_t>(ChooseTarget());
    compiled.flags = (m_targetAlpha ? Vek::CompiledTexture::kFlagAlpha : 0) |
                     (m_description.wrapS == 2 || m_description.wrapT == 2 ? Vek::CompiledTexture::kFlagWrap : 0) |
                     (m_description.normalMapHint ? Vek::CompiledTexture::kFlagNormalMap : 0);
    for (const auto& image : m_compressed) {
        std::vector<std::shared_ptr<const Vek::Bitmap>> levels;
        for (int i = 0; i < image->GetNumLevels(); ++i)
            levels.push_back(std::shared_ptr<const Vek::Bitmap>(std::shared_ptr<void>(), image->GetLevel(i)));
        compiled.images.push_back(std::move(levels));
    }
    const std::string temporary = std::string(outputPath) + ".tmp";
    Vek::File file;
    if (!file.Open(root, temporary.c_str(), 257)) {
        error = "cannot open the output file";
        return false;
    }
    const bool written = compiled.Write(file);
    file.Close();
    if (!written) {
        Vek::File::Unlink(root, temporary.c_str());
        error = "cannot write the output file";
        return false;
    }
    Vek::File::Unlink(root, outputPath);
    const bool moved = root.IsEmpty() ? Vek::File::Rename(temporary.c_str(), outputPath)
                                      : Vek::File::Rename(Vek::File::ResolveOsPath(root, temporary.c_str()).c_str(),
                                                          Vek::File::ResolveOsPath(root, outputPath).c_str());
    if (!moved) {
        Vek::File::Unlink(root, temporary.c_str());
        error = "cannot move the output file into place";
        return false;
    }
    return true;
}

void CompressAsciiResource::Release() {
    m_compressed.clear();
    m_image.Reset();
}

}  // namespace TETLib
