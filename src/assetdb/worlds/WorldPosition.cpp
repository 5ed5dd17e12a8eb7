#include "assetdb/worlds/WorldPosition.h"

#include <cstdint>

namespace {

constexpr float kInverseTileSize = 1.0f / 720.0f;
constexpr float kRoundingAllowance = 0.0001f;

// Truncation toward zero; out of range (or NaN) gives INT32_MIN, as the
// x86 conversion instruction does, instead of undefined behaviour.
int32_t TruncateToInt32(float value) {
    if (!(value > -2147483648.0f && value < 2147483648.0f)) return INT32_MIN;
    return static_cast<int32_t>(value);
}

void NormaliseAxis(int16_t& tile, float& offset) {
    const float scaled = offset * kInverseTileSize + kRoundingAllowance;
    int32_t d = TruncateToInt32(scaled);
    if (offset < 0.0f && d != INT32_MIN) d -= 1;
    tile = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(tile) + static_cast<uint32_t>(d)));
    offset -= static_cast<float>(d) * kWorldTileSize;
}

}  // namespace

void NormaliseWorldPosition(WorldPosition& position) {
    NormaliseAxis(position.tileX, position.x);
    NormaliseAxis(position.tileZ, position.z);
    position.normalised = 1;
}
