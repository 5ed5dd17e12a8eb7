#include "tetlib/textures/CompressAsciiResource.h"

#include <algorithm>
#include <cstdlib>

#include "engine/File.h"
#include "engine/config/ConfigData.h"
#include "engine/display/DisplayTexture.h"
#include "engine/meshfile/MeshFileSupport.h"
#include "engine/resources/ResourceTypeBase.h"
#include "foundation/files/ReplacementFile.h"
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

// The compiled texture's type tag, 0x46544D4D as a little-endian value.
constexpr const char* kCompiledTextureType = "MMTF";

}  // namespace

int CompressAsciiResource::LoadTxt(const char* fileName) {
    if (!m_options) {
        m_loadError = "no conversion options";
        return kFailed;
    }
    m_forced = m_options->Has("forceOptions");
    std::string maxSize;
    if (m_options->GetValue("MaxTextureSize", maxSize)) {
        const size_t comma = maxSize.find(',');
        m_maxWidth = ParseSize(maxSize.substr(0, comma), m_maxWidth);
        if (comma != std::string::npos) m_maxHeight = ParseSize(maxSize.substr(comma + 1), m_maxHeight);
    }
    m_settings = Vek::TextureDescription();
    if (m_forced && AsciiTextureResource::LoadTxt(fileName) != kOk) return kFailed;
    Vek::ConfigData settings;
    for (const char* key : {"Hint", "AlphaHint", "Anisotropy", "AutoMip", "MagFilter", "MinFilter", "MipFilter", "Tile"}) {
        std::string value;
        if (m_options->GetValue(key, value)) settings.Add(key, value.c_str());
    }
    if (!LoadTextureOptions(settings)) return kFailed;
    // Not forced: the description's own settings override the options.
    if (!m_forced && AsciiTextureResource::LoadTxt(fileName) != kOk) return kFailed;
    return kOk;
}

void CompressAsciiResource::GetSize(uint32_t& width, uint32_t& height) const {
    uint32_t engineWidth = 0, engineHeight = 0;
    TextureResource::GetSize(engineWidth, engineHeight);
    LimitTextureSize(engineWidth, engineHeight, m_maxWidth, m_maxHeight, width, height);
}

int CompressAsciiResource::ChooseTarget() {
    TextureTargetInput input;
    std::string compression;
    input.hasOptions = m_options != nullptr;
    if (m_options && m_options->GetValue("Compression", compression)) input.compression = compression.c_str();
    input.forced = m_forced;
    input.alphaClass = m_settings.alphaClass;
    input.compressionCode = m_settings.compression;
    input.normalMapHint = m_settings.normalMapHint;
    GetSize(input.width, input.height);
    return ChooseTextureTarget(input, m_targetAlpha);
}

int CompressAsciiResource::GetNumMipLevels() {
    uint32_t width = 0, height = 0;
    GetSize(width, height);
    return std::min(Vek::DisplayTexture::GetNumMipLevels(width, height), AsciiTextureResource::GetNumMipLevels());
}

int CompressAsciiResource::GetMipLock() {
    const int result = AsciiTextureResource::GetMipLock();
    if (result != kOk) return result;
    if (!CompressImages(true)) {
        GetMipUnlock();
        return kFailed;
    }
    return kOk;
}

int CompressAsciiResource::GetMipUnlock() {
    const int result = AsciiTextureResource::GetMipUnlock();
    if (result == kOk) m_compressed.clear();
    return result;
}

std::unique_ptr<Vek::Bitmap> CompressAsciiResource::GetCompressedMip(int level, int image) {
    if (image < 0 || static_cast<size_t>(image) >= m_compressed.size()) return nullptr;
    const Vek::Bitmap* stored = m_compressed[static_cast<size_t>(image)]->GetLevel(level);
    if (!stored || stored->IsEmpty()) return nullptr;
    auto out = std::make_unique<Vek::Bitmap>();
    if (!out->InitAlias(stored->GetWidth(), stored->GetHeight(), stored->GetFormat(),
                        const_cast<uint8_t*>(stored->GetData()), stored->GetByteSize()))
        return nullptr;
    return out;
}

uint32_t CompressAsciiResource::GetCompiledFlags() const {
    return (AsciiTextureResource::GetCompiledFlags() & ~Vek::CompiledTexture::kFlagAlpha) |
           (m_targetAlpha ? Vek::CompiledTexture::kFlagAlpha : 0);
}

bool CompressAsciiResource::CompressImages(bool gpuAcceleration) {
    m_compressed.clear();
    m_compressError.clear();
    const int depth = GetDepth();
    uint32_t engineWidth = 0, engineHeight = 0, width = 0, height = 0;
    TextureResource::GetSize(engineWidth, engineHeight);
    GetSize(width, height);
    for (int i = 0; i < depth; ++i) {
        std::unique_ptr<Vek::Bitmap> image = GetMip(0, i, engineWidth, engineHeight);
        if (image && (width != engineWidth || height != engineHeight))
            image = image->Scale(static_cast<int>(width), static_cast<int>(height));
        if (!image) {
            m_compressError = "cannot take the texture's image";
            m_compressed.clear();
            return false;
        }
        image->DetachAlias();
        if (m_settings.modifyMap == 1 && image->GetFormat() != Vek::Bitmap::kXRGB32) {
            for (int y = 0; y < image->GetHeight(); ++y)
                for (int x = 0; x < image->GetWidth(); ++x) {
                    const uint32_t pixel = image->GetPixel(x, y);
                    if (pixel == 0) continue;
                    const uint32_t green = 255 - ((pixel >> 8) & 0xFF);
                    image->SetPixel(x, y, (pixel & 0xFFFF00FFu) | green << 8);
                }
        }
        TextureCompressOptions options;
        options.target = ChooseTarget();
        options.alpha = m_targetAlpha;
        options.wrap = m_settings.wrapS == 2 || m_settings.wrapT == 2;
        options.normalMap = m_settings.normalMapHint;
        options.mipmaps = m_settings.mipmaps;
        options.gpuAcceleration = gpuAcceleration;
        auto result = std::make_unique<TextureCompress>();
        if (!TextureCompress::Compress(*image, *result, options, &m_compressError)) {
            if (m_compressError.empty()) m_compressError = "the image cannot be compressed to that target";
            return false;
        }
        m_compressed.push_back(std::move(result));
    }
    return true;
}

bool CompressAsciiResource::WriteCompiled(const Vek::PString& root, const char* path, const Vek::Display* display) {
    const std::string target = root.IsEmpty() ? std::string(path) : Vek::File::ResolveOsPath(root, path);
    ReplacementFile replacement(target.c_str());
    Vek::File file;
    if (target.empty() || !replacement.Open() || !file.Open(replacement.TemporaryPath().c_str(), 257)) {
        m_compressError = "cannot open the output file";
        return false;
    }
    const int64_t mark = Vek::VIRFWriteHeader(file, kCompiledTextureType);
    const bool written = mark >= 0 && SaveLockedInternal(file, display) &&
                         Vek::MeshFileSupport::WriteSizeAtMark(file, mark);
    file.Close();
    if (!written || !replacement.Commit()) {
        m_compressError = written ? "cannot move the output file into place: " + replacement.Error()
                                  : std::string("cannot write the output file");
        return false;
    }
    return true;
}

bool CompressAsciiResource::Save(const char* filePath, const Vek::Display* display) {
    if (GetMipLock() != kOk) return false;
    const bool saved = WriteCompiled(Vek::PString(), filePath, display);
    GetMipUnlock();
    return saved;
}

bool CompressAsciiResource::SaveTo(const Vek::PString& root, const char* outputPath, bool gpuAcceleration) {
    if (!CompressImages(gpuAcceleration)) return false;
    return WriteCompiled(root, outputPath, nullptr);
}

Vek::ResourceTypeBase* MakeCompressAsciiResourceType() {
    return new (std::nothrow)
        Vek::ResourceType<CompressAsciiResource>(CompressAsciiResource::kTypeName, CompressAsciiResource::kTypeUId);
}

}  // namespace TETLib
