#pragma once
// The creation hint a mesh hands to a material when it asks for a geometry
// chunk (Material::CreateGeometryChunk): what the chunk's vertices must hold
// and how its data will be used.
//
// flags: 0x1 software lighting (vertices carry a diffuse colour);
//        0x2 skinned; 0x4 skinned in software; 0x8 float weights for
//        hardware skinning (packed byte weights otherwise).
// options (byte): bit 0 separate normal array; bit 1 shared vertex data;
//        bit 2 shared display buffer; bit 3 extra vector (item 27).
// influences, bones: the skinning values (weights per vertex, bones per
//        chunk); texCoordSets: texture-coordinate sets (0 to 8).
// vertexUsage, indexUsage: 0 static, 1 dynamic, 2 as the material decides.
#include <cstdint>

namespace Vek {

class ResourceDatabase;

struct StandardChunkHint {
    static constexpr uint32_t kFlagSoftwareLighting = 0x1;
    static constexpr uint32_t kFlagSkinned = 0x2;
    static constexpr uint32_t kFlagSoftwareSkinning = 0x4;
    static constexpr uint32_t kFlagFloatWeights = 0x8;
    static constexpr uint8_t kOptionSeparateNormals = 0x1;
    static constexpr uint8_t kOptionShared = 0x2;
    static constexpr uint8_t kOptionSharedBuffer = 0x4;
    static constexpr uint8_t kOptionExtraVector = 0x8;

    StandardChunkHint() = default;
    StandardChunkHint(int vertexUsage_, uint32_t flags_) : flags(flags_), vertexUsage(vertexUsage_) {}

    uint32_t flags = 0;
    uint8_t options = 0;
    uint32_t influences = 0;
    uint32_t bones = 0;
    uint32_t texCoordSets = 1;
    int vertexUsage = 2;
    int indexUsage = 2;
    float chunkValue = 0.0f;
    ResourceDatabase* database = nullptr;
};

}  // namespace Vek
