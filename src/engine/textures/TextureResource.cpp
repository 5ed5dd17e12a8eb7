#include "engine/textures/TextureResource.h"

#include <algorithm>
#include <new>
#include <string>

#include "engine/File.h"
#include "engine/ResourceDatabase.h"
#include "engine/display/DisplayTexture.h"
#include "engine/resources/ResourceName.h"

namespace Vek {

namespace {

constexpr int64_t kMaxFileBytes = int64_t{256} << 20;

}  // namespace

void TextureResource::SetImage(std::unique_ptr<Bitmap> image) {
    m_image = std::move(image);
    // The levels now come from the new picture, not from a compiled file read before.
    m_compiled.reset();
    LoadComplete();
}

TextureResource* TextureResource::Duplicate() const {
    auto* copy = new (std::nothrow) TextureResource(GetName(), GetDatabase());
    if (!copy) return nullptr;
    copy->SetTypeName(GetTypeName());
    copy->SetPriority(GetPriority());
    if (m_image) copy->m_image = std::make_shared<Bitmap>(*m_image);
    copy->m_compiled = m_compiled;  // never changed once read
    if (IsLoaded()) copy->LoadComplete();
    return copy;
}

bool TextureResource::ReadDatabaseFile(const char* fileName, std::string& bytes) const {
    File file;
    const bool open = GetDatabase() ? GetDatabase()->OpenFile(file, fileName) : file.Open(fileName, File::kModeRead);
    if (!open) return false;
    const int64_t length = file.Length();
    if (length < 0 || length > kMaxFileBytes) return false;
    bytes.resize(static_cast<std::size_t>(length));
    return file.Read(bytes.data(), bytes.size()) == bytes.size();
}

int TextureResource::LoadCompiled(const char* fileName) {
    std::string bytes;
    if (!ReadDatabaseFile(fileName, bytes)) return kFailed;
    auto compiled = std::make_shared<CompiledTexture>();
    std::string error;
    if (!compiled->Read(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), error)) return kFailed;
    m_image = std::make_shared<Bitmap>(*compiled->images[0][0]);
    m_compiled = std::move(compiled);
    return kOk;
}

int TextureResource::Load(const char* fileName) {
    if (ResourceName::HasSuffix(fileName ? fileName : "", "texture")) return LoadCompiled(fileName);
    auto image = std::make_shared<Bitmap>();
    PString root = GetDatabase() ? GetDatabase()->GetName() : PString();
    if (!image->Load(fileName, root)) return kFailed;
    m_image = std::move(image);
    m_compiled.reset();
    return kOk;
}

void TextureResource::GetSize(uint32_t& width, uint32_t& height) const {
    width = static_cast<uint32_t>(GetWidth());
    height = static_cast<uint32_t>(GetHeight());
}

int TextureResource::GetDepth() const {
    if (m_compiled) return static_cast<int>(m_compiled->images.size());
    return m_image ? 1 : 0;
}

int TextureResource::GetTargetFormat() {
    if (m_compiled) return static_cast<int>(m_compiled->target);
    if (m_image && m_image->GetFormat() == Bitmap::kXRGB32) return 3;
    if (m_image && m_image->GetFormat() == Bitmap::kRGB24) return 5;
    return 1;
}

int TextureResource::GetNumMipLevels() {
    if (m_compiled) return static_cast<int>(m_compiled->images[0].size());
    uint32_t width = 0, height = 0;
    GetSize(width, height);
    return DisplayTexture::GetNumMipLevels(width, height);
}

std::unique_ptr<Bitmap> TextureResource::GetCompressedMip(int level, int image) {
    if (level < 0 || image < 0 || image >= GetDepth() || level >= GetNumMipLevels()) return nullptr;
    auto out = std::make_unique<Bitmap>();
    if (m_compiled) {
        const Bitmap& stored = *m_compiled->images[static_cast<std::size_t>(image)][static_cast<std::size_t>(level)];
        // Shared, not copied: the compiled texture is never changed once read.
        if (!out->InitAlias(stored.GetWidth(), stored.GetHeight(), stored.GetFormat(),
                            const_cast<uint8_t*>(stored.GetData()), stored.GetByteSize()))
            return nullptr;
        return out;
    }
    if (!m_image || m_image->GetFormat() == Bitmap::kRaw) return nullptr;
    const int width = std::max(m_image->GetWidth() >> level, 1);
    const int height = std::max(m_image->GetHeight() >> level, 1);
    if (level == 0) return std::make_unique<Bitmap>(*m_image);
    return m_image->Scale(width, height);
}

bool TextureResource::SaveLockedInternal(File& file, const Display*) {
    CompiledTexture body;
    body.target = static_cast<uint32_t>(GetTargetFormat());
    body.flags = GetCompiledFlags();
    const int depth = GetDepth();
    const int levels = GetNumMipLevels();
    if (depth <= 0 || levels <= 0) return false;
    for (int i = 0; i < depth; ++i) {
        std::vector<std::shared_ptr<const Bitmap>> chain;
        for (int level = 0; level < levels; ++level) {
            std::shared_ptr<const Bitmap> mip = GetCompressedMip(level, i);
            if (!mip) return false;
            chain.push_back(std::move(mip));
        }
        body.images.push_back(std::move(chain));
    }
    return body.WriteBody(file);
}

}  // namespace Vek
