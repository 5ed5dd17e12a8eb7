#pragma once
// The text form of a texture: a texture description (".texture.txt",
// engine/textures/TextureDescription.h) naming its images and settings.
// LoadTxt reads the description file of the texture's database and the
// images it names (relative to the description's folder) into one picture;
// LoadTextureOptions applies settings given as configuration items under the
// description's own key names, before or after the file.
//
// The mips are available between GetMipLock and GetMipUnlock (counted):
// GetMip gives a level of an image as a new picture. The level count is the
// display's for the size when the description asks for mipmaps, else 1.
#include <cstdint>
#include <memory>
#include <string>

#include "engine/textures/TextureDescription.h"
#include "engine/textures/TextureResource.h"

namespace Vek {

class ConfigData;

class AsciiTextureResource : public TextureResource {
public:
    AsciiTextureResource(const PString& name, ResourceDatabase* database) : TextureResource(name, database) {}

    // Reads the description `fileName` and its images; 0 on success, 1 when
    // the file cannot be read, a line is malformed or an image cannot be
    // loaded (GetLoadError says which).
    int LoadTxt(const char* fileName) override;
    // Applies each child item of `settings` as a description setting of the
    // same key; false for a bad value.
    bool LoadTextureOptions(const ConfigData& settings);

    // 0 when the mips are available (the texture is loaded), else 1.
    virtual int GetMipLock();
    // 0 when a lock was released, 1 when none was held.
    virtual int GetMipUnlock();
    int GetMipLockCount() const { return m_mipLocks; }
    // Level `level` of image `image`, scaled from the top level to the level
    // size of width x height (the texture's size when 0); null without a mip
    // lock or out of range.
    std::unique_ptr<Bitmap> GetMip(int level, int image, uint32_t width = 0, uint32_t height = 0) const;

    int GetNumMipLevels() override;
    uint32_t GetCompiledFlags() const override;

    const TextureDescription& GetSettings() const { return m_settings; }
    const std::string& GetLoadError() const { return m_loadError; }

protected:
    ~AsciiTextureResource() override = default;
    TextureDescription m_settings;
    std::string m_loadError;

private:
    int m_mipLocks = 0;
};

}  // namespace Vek
