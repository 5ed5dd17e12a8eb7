#include "engine/textures/TextureResource.h"

#include <new>

#include "engine/ResourceDatabase.h"

namespace Vek {

void TextureResource::SetImage(std::unique_ptr<Bitmap> image) {
    m_image = std::move(image);
    LoadComplete();
}

TextureResource* TextureResource::Duplicate() const {
    auto* copy = new (std::nothrow) TextureResource(GetName(), GetDatabase());
    if (!copy) return nullptr;
    copy->SetTypeName(GetTypeName());
    copy->SetPriority(GetPriority());
    if (m_image) copy->m_image = std::make_shared<Bitmap>(*m_image);
    if (IsLoaded()) copy->LoadComplete();
    return copy;
}

int TextureResource::Load(const char* fileName) {
    auto image = std::make_shared<Bitmap>();
    PString root = GetDatabase() ? GetDatabase()->GetName() : PString();
    if (!image->Load(fileName, root)) return kFailed;
    m_image = std::move(image);
    return kOk;
}

}  // namespace Vek
