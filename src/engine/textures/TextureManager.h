#pragma once
// The texture manager: resolves texture names to loaded textures without a
// display. A name is looked up in a resource database (confined to it:
// engine/resources/ResourceName.h) or, without one, on the plain file
// system, and read as a TGA, BMP, JPEG or PNG image, as a compiled texture
// (a name ending in ".texture", engine/textures/CompiledTexture.h) or as a
// texture description (a name ending in ".txt", or a name whose file is
// missing while "<name>.txt" exists: engine/textures/AsciiTextureResource.h).
//
// A shared texture's name ("$sharedN", engine/textures/SharedTextureCollection.h)
// gives that shared texture whatever database is asked: materials record
// the name for the slots they fill with it, and those slots are looked up
// again by name.
//
// "Gives none" means the name is refused, the file is missing, or it is no
// image this build reads. A texture is loaded once per (database, name
// without case) and shared; the manager keeps a reference to each.
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "engine/textures/SharedTextureCollection.h"

namespace Vek {

class ResourceDatabase;
class TextureResource;

class TextureManager {
public:
    enum class Check { kReadable, kUnreadable, kMissing };

    TextureManager() = default;
    ~TextureManager();
    TextureManager(const TextureManager&) = delete;
    TextureManager& operator=(const TextureManager&) = delete;

    // The loaded texture with one reference for the caller, or null.
    TextureResource* GetTexture(ResourceDatabase* database, const char* name);
    // What GetTexture would find, without keeping anything.
    Check CheckTexture(ResourceDatabase* database, const char* name) const;
    std::size_t GetLoadedCount() const;
    // Drops the textures nobody else holds.
    std::size_t DumpUnused();

    SharedTextureCollection& GetSharedTextures() { return m_shared; }

private:
    static TextureResource* MakeTexture(ResourceDatabase* database, const char* path);
    static bool Key(ResourceDatabase* database, const char* name, std::string& key);

    mutable std::mutex m_lock;
    std::map<std::pair<ResourceDatabase*, std::string>, TextureResource*> m_textures;  // each with a reference
    SharedTextureCollection m_shared;
};

}  // namespace Vek
