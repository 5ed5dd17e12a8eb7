#pragma once
// The engine's shared textures: small textures made in memory that
// materials start with before their own are set. Number 0 is a 1 x 1 opaque
// white texture, 1 opaque black, 2 a flat normal map (0xFF8080FF: the
// normal (0, 0, 1)), 3 transparent black. Texture N is named "$sharedN":
// a material that starts with one records that name for its slot.
#include <mutex>

#include "engine/ReferenceCount.h"

namespace Vek {

class TextureResource;

class SharedTextureCollection {
public:
    static constexpr int kCount = 4;

    SharedTextureCollection() = default;
    ~SharedTextureCollection();
    SharedTextureCollection(const SharedTextureCollection&) = delete;
    SharedTextureCollection& operator=(const SharedTextureCollection&) = delete;

    // Shared texture n with one reference for the caller; null for a number
    // outside 0 to kCount - 1.
    TextureResource* GetTexture(int n);
    // The number of the shared texture `name` names ("$shared0" to
    // "$shared3", in any letter case), or -1 for any other name.
    static int NumberOf(const char* name);

private:
    std::mutex m_lock;
    TextureResource* m_textures[kCount] = {};  // each with a reference, made on first use
};

}  // namespace Vek
