#pragma once
// A texture description that compiles itself: it takes the conversion's
// options, limits the texture size, chooses a compression target, compresses
// its image with TextureCompress and writes the compiled texture
// (engine/textures/CompiledTexture.h).
//
// Option keys (Vek::Options, matched without case):
//   forceOptions      the options win over the description, and the
//                     "Compression" list over the texture's own code
//   MaxTextureSize    "w" or "w,h": the largest size compiled (2048 each)
//   Compression       the compression list (TextureTarget.h)
//   Hint, AlphaHint, Anisotropy, AutoMip, MagFilter, MinFilter, MipFilter,
//   Tile              applied as description settings of the same name
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/Options.h"
#include "engine/PString.h"
#include "engine/bitmap/Bitmap.h"
#include "engine/textures/TextureDescription.h"
#include "tetlib/textures/TextureCompress.h"

namespace TETLib {

class CompressAsciiResource {
public:
    // The options stay the caller's; without them LoadTxt fails.
    void SetOptions(const Vek::Options* options) { m_options = options; }

    // Reads the description text together with the options (see above).
    bool LoadTxt(const std::string& text, std::string& error);
    // Loads the image the description names, relative to `folder`.
    bool LoadImage(const char* folder, const Vek::PString& root, std::string& error);

    // The loaded image's size limited by MaxTextureSize.
    void GetSize(uint32_t& width, uint32_t& height) const;
    // The compression target (TextureCompress.h); sets the target alpha.
    int ChooseTarget();
    bool GetTargetAlpha() const { return m_targetAlpha; }

    // Compresses the image into its levels (cleared first).
    bool CompressImages(bool gpuAcceleration, std::string& error);
    // Compresses and writes the compiled texture to `outputPath` (in the
    // root `root`, empty for the plain file system) through a temporary file
    // renamed into place. False when the compression fails or the file
    // cannot be written.
    bool SaveTo(const Vek::PString& root, const char* outputPath, bool gpuAcceleration, std::string& error);
    // Frees the compressed levels and the image.
    void Release();

    const Vek::TextureDescription& GetDescription() const { return m_description; }
    const std::vector<std::unique_ptr<TextureCompress>>& GetCompressed() const { return m_compressed; }

private:
    const Vek::Options* m_options = nullptr;
    bool m_forced = false;
    bool m_targetAlpha = false;
    uint32_t m_maxWidth = 2048;
    uint32_t m_maxHeight = 2048;
    Vek::TextureDescription m_description;
    Vek::Bitmap m_image;
    std::vector<std::unique_ptr<TextureCompress>> m_compressed;
};

}  // namespace TETLib
