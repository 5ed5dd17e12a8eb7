#pragma once
// The bone table of a level-of-detail mesh: one record per bone, shared by
// all levels, each with the skin weights of every level that has them (one
// influence set per such level, in level order; the definition's
// `influenceLevels` gives the level of each set). A level without weights
// has no set, so that bones x levels cost nothing where the file has no
// weights.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Vector.h"
#include "engine/meshfile/InfluenceDefinition.h"

// 20 bytes in the file: vertex, weight, offset (the vertex relative to the bone).
using LODVertexWeight = Vek::InfluenceDefinition::Weight;
// The weights of one chunk of a level: chunk index and its weights.
using LODChunkInfluence = Vek::InfluenceDefinition::Entry;

// One level's weights of a bone.
struct LODBoneInfluences {
    std::vector<LODChunkInfluence> entries;
    uint32_t GetCount() const { return static_cast<uint32_t>(entries.size()); }
};

struct LODBone {
    std::string name;
    std::string parentName;  // empty for a root
    Vek::Vector3 position;
    float orientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::vector<LODBoneInfluences> influences;
};
