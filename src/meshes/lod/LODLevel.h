#pragma once
// One level of a level-of-detail mesh: a complete set of geometry chunks
// with one material each. The chunk and material arrays are shared blocks:
// copying a record shares both (the copy holds its own reference) and
// copies the counts, the flag, the bone names and the bone pointers.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/AutoReferenceArray.h"
#include "engine/PString.h"
#include "engine/ReferenceCount.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/materials/Material.h"

namespace Vek {
class Particle;
}

using LODChunkArray = Vek::AutoReferenceArray<Vek::GeometryChunk>;
using LODMaterialArray = Vek::AutoReferenceArray<Vek::Material>;

struct LODLevel {
    uint32_t chunkCount = 0;
    uint32_t vertexTotal = 0;
    uint32_t faceTotal = 0;
    // The level's chunks carry palette-skinning data.
    bool hardwareSkinned = false;
    LODChunkArray chunks;
    LODMaterialArray materials;
    // Per chunk: the bone a rigid chunk hangs from, empty when none.
    std::vector<Vek::PString> chunkBoneNames;
    // Per chunk: the bone particle of an instance (empty in the definition).
    std::vector<Vek::Particle*> chunkBones;

    Vek::GeometryChunk* GetChunk(uint32_t i) const { return chunks.Get(i); }
    Vek::Material* GetMaterial(uint32_t i) const { return materials.Get(i); }
};

// A level reachable by name ("collision" and the like).
struct NamedLevel {
    Vek::PString name;
    uint32_t level = 0;
    bool animated = false;
};

using LODLevelBlock = std::vector<LODLevel>;
using NamedLevelBlock = std::vector<NamedLevel>;
