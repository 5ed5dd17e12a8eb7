#pragma once
// A texture: an image resource that materials bind to display stages. The
// engine's plain texture is one image file (TGA, BMP, JPEG or PNG) read
// into a bitmap (engine/bitmap/Bitmap.h) when it is loaded, or a compiled
// texture (a name ending in ".texture", engine/textures/CompiledTexture.h),
// whose levels it keeps as they are stored. Counted.
//
// The level interface (GetTargetFormat, GetNumMipLevels, GetCompressedMip)
// is what SaveLockedInternal writes as a compiled texture body; derived
// textures (the text form, engine/textures/AsciiTextureResource.h, and the
// conversion's resource) override it.
#include <cstdint>
#include <memory>

#include "engine/Resource.h"
#include "engine/bitmap/Bitmap.h"
#include "engine/textures/CompiledTexture.h"

namespace Vek {

class Display;
class File;

class TextureResource : public Resource {
public:
    TextureResource(const PString& name, ResourceDatabase* database) : Resource(name, database) {}

    int GetWidth() const { return m_image ? m_image->GetWidth() : m_width; }
    int GetHeight() const { return m_image ? m_image->GetHeight() : m_height; }
    // The top level of the first image: the picture in bitmap format 2 or 3,
    // or, for a compiled DXT texture, its blocks in format 5.
    const Bitmap* GetImage() const { return m_image.get(); }
    // Gives a texture made in memory its picture (a solid colour for
    // shared textures), or replaces a loaded one's (and any compiled levels
    // it was read with); marks it loaded.
    void SetImage(std::unique_ptr<Bitmap> image);

    // The texture's kind: kKindPlain, or kKindCubeMap for an environment
    // cube map. Nothing read here makes cube maps, so a texture is plain
    // unless its maker says otherwise.
    static constexpr int kKindPlain = 0;
    static constexpr int kKindCubeMap = 1;
    int GetKind() const { return m_kind; }
    void SetKind(int kind) { m_kind = kind; }

    // Marks the texture used by a draw (counted).
    void Activate() { ++m_activations; }
    unsigned GetActivationCount() const { return m_activations; }

    // A new texture of the same name and database sharing nothing: its own
    // copy of the image, loaded when this one is.
    TextureResource* Duplicate() const;

    // Reads the image file, or the compiled texture, `fileName` of the
    // texture's database.
    int Load(const char* fileName) override;

    // The size of the top level.
    virtual void GetSize(uint32_t& width, uint32_t& height) const;
    // The number of images (1 once loaded; a compiled texture may hold more).
    virtual int GetDepth() const;
    // The target code of the levels (CompiledTexture.h): a compiled
    // texture's own, else 1 (format 2), 3 (format 3) or 5 (format 1) by the
    // picture; a grey picture has no target and is not written.
    virtual int GetTargetFormat();
    // The level count: a compiled texture's own, else the display's count
    // for the size.
    virtual int GetNumMipLevels();
    // Level `level` of image `image` in the target's format: a compiled
    // level shares the stored data; a picture's level is scaled from the top
    // level. Null out of range.
    virtual std::unique_ptr<Bitmap> GetCompressedMip(int level, int image);
    // The flags stored with a compiled body (CompiledTexture.h).
    virtual uint32_t GetCompiledFlags() const { return m_compiled ? m_compiled->flags : 0; }

    // Writes the compiled body (after the envelope header) from the level
    // interface above. There is no display here: `display` may be null and
    // is not read. False when a level is missing or a write fails.
    bool SaveLockedInternal(File& file, const Display* display);

    // The compiled texture a ".texture" file loaded, or null.
    const CompiledTexture* GetCompiled() const { return m_compiled.get(); }

protected:
    ~TextureResource() override = default;
    void SetLoadedImage(std::shared_ptr<Bitmap> image) { m_image = std::move(image); }
    // Reads a whole file of the texture's database (or of the plain file
    // system without one), at most 256 MB; false when it cannot.
    bool ReadDatabaseFile(const char* fileName, std::string& bytes) const;

private:
    int LoadCompiled(const char* fileName);

    std::shared_ptr<Bitmap> m_image;
    std::shared_ptr<const CompiledTexture> m_compiled;
    int m_kind = kKindPlain;
    int m_width = 0;
    int m_height = 0;
    unsigned m_activations = 0;
};

}  // namespace Vek
