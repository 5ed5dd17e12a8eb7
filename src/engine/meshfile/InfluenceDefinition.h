#pragma once
// One bone of a skinned mesh as stored in its file: the bone's name and its
// parent's name, its rest position and orientation (a 3 x 3 matrix of row
// vectors), and the vertices of each chunk that it moves, with weights.
#include <cstdint>
#include <vector>

#include "engine/AnsiString.h"
#include "engine/Vector.h"

namespace Vek {

struct InfluenceDefinition {
    // One vertex moved by the bone: its index in the chunk, its weight and
    // its position relative to the bone (used by software skinning).
    struct Weight {
        uint32_t vertex = 0;
        float weight = 0.0f;
        Vector3 offset;
    };
    // The vertices of one chunk that the bone moves.
    struct Entry {
        uint32_t chunk = 0;
        std::vector<Weight> weights;
        uint32_t GetWeightCount() const { return static_cast<uint32_t>(weights.size()); }
    };

    AnsiString name;
    AnsiString parentName;
    Vector3 position;
    float orientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::vector<Entry> entries;

    uint32_t GetEntryCount() const { return static_cast<uint32_t>(entries.size()); }
};

}  // namespace Vek
