#pragma once
// A texture: an image resource that materials bind to display stages. The
// engine's plain texture is one image file (TGA, BMP, JPEG or PNG) read
// into a bitmap (engine/bitmap/Bitmap.h) when it is loaded. Counted.
#include <memory>

#include "engine/Resource.h"
#include "engine/bitmap/Bitmap.h"

namespace Vek {

class TextureResource : public Resource {
public:
    TextureResource(const PString& name, ResourceDatabase* database) : Resource(name, database) {}

    int GetWidth() const { return m_image ? m_image->GetWidth() : m_width; }
    int GetHeight() const { return m_image ? m_image->GetHeight() : m_height; }
    const Bitmap* GetImage() const { return m_image.get(); }
    // Gives a texture made in memory its picture (a solid colour for
    // shared textures); marks it loaded.
    void SetImage(std::unique_ptr<Bitmap> image);

    // Marks the texture used by a draw (counted).
    void Activate() { ++m_activations; }
    unsigned GetActivationCount() const { return m_activations; }

    // A new texture of the same name and database sharing nothing: its own
    // copy of the image, loaded when this one is.
    TextureResource* Duplicate() const;

    // Reads the image file `fileName` of the texture's database.
    int Load(const char* fileName) override;

protected:
    ~TextureResource() override = default;

private:
    std::shared_ptr<Bitmap> m_image;
    int m_width = 0;
    int m_height = 0;
    unsigned m_activations = 0;
};

}  // namespace Vek
