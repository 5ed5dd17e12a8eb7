#pragma once
// How a texture description's images are compressed: the size limit, the
// "Compression" option list and the choice of a target (the codes of
// TextureCompress.h) from the texture's alpha class and its own
// compression code.
#include <array>
#include <cstdint>

namespace TETLib {

struct CompressionChoice {
    int target = 1;
    bool alpha = true;
    bool operator==(const CompressionChoice&) const = default;
};

// The "Compression" option: up to three comma-separated words (any case),
// for textures without alpha, of alpha class 2 and of alpha class 1. "auto"
// as the first word gives DXT1, DXT1a and DXT5; "dxt1", "dxt1a", "dxt3",
// "dxt5" and "none" set their pair; other words, missing words and a null
// value keep (1, true).
std::array<CompressionChoice, 3> ParseCompressionList(const char* value);

// The texture's size limited to maxWidth x maxHeight, keeping the aspect
// ratio (each side at least 1).
void LimitTextureSize(uint32_t width, uint32_t height, uint32_t maxWidth, uint32_t maxHeight, uint32_t& outWidth,
                      uint32_t& outHeight);

struct TextureTargetInput {
    bool hasOptions = false;
    const char* compression = nullptr;  // the "Compression" option, null when absent
    bool forced = false;                // "forceOptions": the option list wins
    int alphaClass = -1;                // 0 none, 1 and 2 the alpha classes, -1 not set
    int compressionCode = 0;            // the texture's own code (0 none, 1 DXT1, 2 DXT3, 3 DXT5, other: the list)
    bool normalMapHint = false;
    uint32_t width = 0;                 // limited size
    uint32_t height = 0;
};

// The target for one texture; `targetAlpha` says whether it keeps alpha.
int ChooseTextureTarget(const TextureTargetInput& input, bool& targetAlpha);

}  // namespace TETLib
