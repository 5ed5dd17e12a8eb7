#include "engine/textures/SharedTextureCollection.h"

#include <strings.h>

#include "engine/textures/TextureResource.h"

namespace Vek {

namespace {

const uint32_t kColors[SharedTextureCollection::kCount] = {0xFFFFFFFFu, 0xFF000000u, 0xFF8080FFu, 0x00000000u};
const char* const kNames[SharedTextureCollection::kCount] = {"$shared0", "$shared1", "$shared2", "$shared3"};

}  // namespace

SharedTextureCollection::~SharedTextureCollection() {
    for (TextureResource*& texture : m_textures) {
        if (texture) texture->ReleaseReference();
        texture = nullptr;
    }
}

int SharedTextureCollection::NumberOf(const char* name) {
    if (!name) return -1;
    for (int n = 0; n < kCount; ++n)
        if (::strcasecmp(name, kNames[n]) == 0) return n;
    return -1;
}

TextureResource* SharedTextureCollection::GetTexture(int n) {
    if (n < 0 || n >= kCount) return nullptr;
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_textures[n]) {
        auto image = std::make_unique<Bitmap>();
        if (!image->Init(1, 1, Bitmap::kARGB32)) return nullptr;
        image->SetPixel(0, 0, kColors[n]);
        auto* texture = new TextureResource(PString(kNames[n]), nullptr);
        texture->SetTypeName(PString("texture"));
        texture->SetImage(std::move(image));
        m_textures[n] = texture;
    }
    m_textures[n]->AddReference();
    return m_textures[n];
}

}  // namespace Vek
