#include "engine/textures/TextureManager.h"

#include <cctype>

#include "engine/File.h"
#include "engine/ResourceDatabase.h"
#include "engine/bitmap/Bitmap.h"
#include "engine/resources/ResourceName.h"
#include "engine/textures/AsciiTextureResource.h"
#include "engine/textures/TextureResource.h"

namespace Vek {

TextureManager::~TextureManager() {
    for (auto& entry : m_textures) entry.second->ReleaseReference();
}

bool TextureManager::Key(ResourceDatabase* database, const char* name, std::string& key) {
    if (!name || !*name) return false;
    if (database) return ResourceName::Confine(name, key);
    key = name;
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return true;
}

TextureResource* TextureManager::MakeTexture(ResourceDatabase* database, const char* path) {
    const std::string name = path;
    const bool exists = database ? database->FileExists(path) : File::Exists(path);
    // The text form: a description, named as such or found as "<name>.txt".
    TextureResource* texture = ResourceName::HasSuffix(name, "txt") || !exists
                                   ? new AsciiTextureResource(PString(path), database)
                                   : new TextureResource(PString(path), database);
    texture->SetTypeName(PString("texture"));
    return texture;
}

TextureResource* TextureManager::GetTexture(ResourceDatabase* database, const char* name) {
    const int shared = SharedTextureCollection::NumberOf(name);
    if (shared >= 0) return m_shared.GetTexture(shared);
    std::string key;
    if (!Key(database, name, key)) return nullptr;
    std::lock_guard<std::mutex> hold(m_lock);
    auto found = m_textures.find({database, key});
    if (found != m_textures.end()) {
        found->second->AddReference();
        return found->second;
    }
    const char* path = database ? key.c_str() : name;
    TextureResource* texture = MakeTexture(database, path);
    if (texture->Lock() != Resource::kOk) {
        texture->ReleaseReference();
        return nullptr;
    }
    m_textures.emplace(std::make_pair(database, key), texture);
    texture->AddReference();
    return texture;
}

TextureManager::Check TextureManager::CheckTexture(ResourceDatabase* database, const char* name) const {
    if (SharedTextureCollection::NumberOf(name) >= 0) return Check::kReadable;
    std::string key;
    if (!Key(database, name, key)) return Check::kMissing;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_textures.count({database, key})) return Check::kReadable;
    }
    const char* path = database ? key.c_str() : name;
    const bool exists = database ? database->FileExists(path) : File::Exists(path);
    if (exists && !ResourceName::HasSuffix(key, "txt") && !ResourceName::HasSuffix(key, "texture")) {
        Bitmap image;
        return image.Load(path, database ? database->GetName() : PString()) ? Check::kReadable : Check::kUnreadable;
    }
    // A compiled texture or a description: loaded as GetTexture would.
    TextureResource* texture = MakeTexture(database, path);
    const int result = texture->Lock();
    texture->ReleaseReference();
    if (result == Resource::kOk) return Check::kReadable;
    return result == Resource::kNotFound ? Check::kMissing : Check::kUnreadable;
}

std::size_t TextureManager::GetLoadedCount() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_textures.size();
}

std::size_t TextureManager::DumpUnused() {
    std::lock_guard<std::mutex> hold(m_lock);
    std::size_t dropped = 0;
    for (auto it = m_textures.begin(); it != m_textures.end();) {
        if (it->second->GetReferenceCount() == 1) {
            it->second->ReleaseReference();
            it = m_textures.erase(it);
            ++dropped;
        } else {
            ++it;
        }
    }
    return dropped;
}

}  // namespace Vek
