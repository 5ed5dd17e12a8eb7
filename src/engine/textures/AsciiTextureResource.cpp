#include "engine/textures/AsciiTextureResource.h"

#include <algorithm>

#include "engine/ResourceDatabase.h"
#include "engine/config/ConfigData.h"
#include "engine/display/DisplayTexture.h"

namespace Vek {

int AsciiTextureResource::LoadTxt(const char* fileName) {
    std::string text;
    if (!ReadDatabaseFile(fileName, text)) {
        m_loadError = "cannot read the description";
        return kFailed;
    }
    if (!m_settings.Parse(text, m_loadError)) return kFailed;
    std::string folder = fileName;
    const std::size_t slash = folder.find_last_of("/\\");
    folder = slash == std::string::npos ? std::string() : folder.substr(0, slash);
    auto image = std::make_shared<Bitmap>();
    const PString root = GetDatabase() ? GetDatabase()->GetName() : PString();
    if (!m_settings.LoadImage(folder.c_str(), root, *image, m_loadError)) return kFailed;
    SetLoadedImage(std::move(image));
    return kOk;
}

bool AsciiTextureResource::LoadTextureOptions(const ConfigData& settings) {
    for (uint32_t i = 0; i < settings.GetChildCount(); ++i) {
        const ConfigData& item = settings.GetChild(i);
        if (!m_settings.Apply(item.GetKey(), item.GetValue(), m_loadError)) return false;
    }
    return true;
}

int AsciiTextureResource::GetMipLock() {
    if (!IsLoaded() || !GetImage()) return kFailed;
    ++m_mipLocks;
    return kOk;
}

int AsciiTextureResource::GetMipUnlock() {
    if (m_mipLocks == 0) return kFailed;
    --m_mipLocks;
    return kOk;
}

std::unique_ptr<Bitmap> AsciiTextureResource::GetMip(int level, int image, uint32_t width, uint32_t height) const {
    const Bitmap* top = GetImage();
    if (m_mipLocks == 0 || !top || image != 0 || level < 0 || level >= 32) return nullptr;
    if (width == 0 || height == 0) {
        width = static_cast<uint32_t>(top->GetWidth());
        height = static_cast<uint32_t>(top->GetHeight());
    }
    const int w = static_cast<int>(std::max(width >> level, 1u));
    const int h = static_cast<int>(std::max(height >> level, 1u));
    if (w == top->GetWidth() && h == top->GetHeight()) return std::make_unique<Bitmap>(*top);
    return top->Scale(w, h);
}

int AsciiTextureResource::GetNumMipLevels() {
    uint32_t width = 0, height = 0;
    TextureResource::GetSize(width, height);
    if (!m_settings.mipmaps) return width && height ? 1 : 0;
    return DisplayTexture::GetNumMipLevels(width, height);
}

uint32_t AsciiTextureResource::GetCompiledFlags() const {
    return (m_settings.wrapS == 2 || m_settings.wrapT == 2 ? CompiledTexture::kFlagWrap : 0) |
           (m_settings.normalMapHint ? CompiledTexture::kFlagNormalMap : 0) |
           (m_settings.alphaClass > 0 ? CompiledTexture::kFlagAlpha : 0);
}

}  // namespace Vek
