#pragma once
// One image of a texture compressed into its chain of levels.
//
// Targets:
//   1   uncompressed 32-bit colour with alpha (bitmap format 2)
//   3   uncompressed 32-bit colour, opaque (bitmap format 3)
//   5   uncompressed 24-bit colour (bitmap format 1)
//   10  DXT1 (DXT1a when the alpha option is set): 8 bytes per 4x4 block
//   11  DXT3: 16 bytes per 4x4 block
//   12  DXT5: 16 bytes per 4x4 block
// The uncompressed targets always give every level down to 1x1, each
// scaled from the one before; the DXT targets give the chain nvtt writes
// (all levels when mipmaps are asked for, else the top level), each level a
// format-5 bitmap holding the blocks.
#include <memory>
#include <string>
#include <vector>

#include "engine/bitmap/Bitmap.h"

namespace TETLib {

struct TextureCompressOptions {
    int target = 1;
    bool alpha = false;           // DXT1 keeps one bit of alpha (DXT1a)
    bool wrap = false;            // the texture repeats: mipmaps filter across the edges
    bool normalMap = false;       // box-filtered mipmaps, normal-map handling
    bool mipmaps = true;          // DXT targets: produce the mipmap chain
    bool gpuAcceleration = false; // let nvtt use CUDA when it has it
};

class TextureCompress {
public:
    // Appends the levels of `source` (format 2 or 3) to `result`. Format-3
    // sources, and format-2 sources for target 3, get their alpha byte set
    // to 255 in place. False for another source format, another target or
    // a failed compression; levels finished before a failure stay in the
    // result. The text of a compression failure goes to `error` (when
    // given): each call keeps its own, so parallel compressions do not
    // overwrite each other's reports.
    static bool Compress(Vek::Bitmap& source, TextureCompress& result, const TextureCompressOptions& options,
                         std::string* error = nullptr);

    int GetNumLevels() const { return static_cast<int>(m_levels.size()); }
    const Vek::Bitmap* GetLevel(int level) const {
        return level >= 0 && level < GetNumLevels() ? m_levels[static_cast<size_t>(level)].get() : nullptr;
    }
    void Append(std::unique_ptr<Vek::Bitmap> level) { m_levels.push_back(std::move(level)); }
    void Clear() { m_levels.clear(); }

private:
    std::vector<std::unique_ptr<Vek::Bitmap>> m_levels;
};

}  // namespace TETLib
