#pragma once
// Positions in the tiled world. One tile is 720 units along each horizontal
// axis; a position is a tile index plus an offset from the tile's origin.
#include <cstdint>

constexpr float kWorldTileSize = 720.0f;

struct WorldPosition {
    int16_t tileX = 0;
    int16_t tileZ = 0;
    float x = 0.0f;  // offset within the tile
    float z = 0.0f;
    float y = 0.0f;  // height, not tiled
    uint8_t normalised = 0;
};

// The extent of an item: offsets from the tile given, not yet normalised.
struct WorldBounds {
    uint8_t flag = 1;
    int16_t tileX = 0;
    int16_t tileZ = 0;
    float minX = 0.0f;
    float maxX = 0.0f;
    float minZ = 0.0f;
    float maxZ = 0.0f;
    float minY = 0.0f;
    float maxY = 0.0f;
};

// Moves whole tiles out of the x and z offsets: d = trunc(offset x
// float(1/720) + float(0.0001)), minus 1 for a negative offset; the tile
// (16-bit, wrapping) grows by d and the offset shrinks by d x 720. So -0.5
// becomes 719.5 one tile down, 720 becomes 0 one tile up, and offsets within
// about 0.07 below 720 also move up and come out slightly negative. An
// offset too large for a 32-bit tile count (or not a number) counts as
// -2^31 tiles, as the processor's conversion gives. Sets the normalised flag.
void NormaliseWorldPosition(WorldPosition& position);
