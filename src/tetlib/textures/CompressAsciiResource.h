#pragma once
// A texture description that compiles itself: the engine's text form of a
// texture (Vek::AsciiTextureResource) that takes the conversion's options,
// limits the texture size, chooses a compression target, compresses its
// images with TextureCompress and writes the compiled texture
// (engine/textures/CompiledTexture.h). The engine makes it for names ending
// in "convert-tex.txt" (MakeCompressAsciiResourceType).
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
#include "engine/textures/AsciiTextureResource.h"
#include "meshes/materials/CreatePlugins.h"
#include "tetlib/textures/TextureCompress.h"

namespace Vek {
class Display;
class ResourceTypeBase;
}  // namespace Vek

namespace TETLib {

class CompressAsciiResource : public Vek::AsciiTextureResource {
public:
    static constexpr const char* kTypeName = "convert-tex.txt";
    static constexpr const char* kTypeUId = Vek::kConvertTextureResourceUId;

    CompressAsciiResource(const Vek::PString& name, Vek::ResourceDatabase* database)
        : AsciiTextureResource(name, database) {}

    // The options stay the caller's; without them LoadTxt fails.
    void SetOptions(const Vek::Options* options) { m_options = options; }

    // Reads the description with the options (see above): not forced, the
    // options first and the description's own settings over them; forced,
    // the other way round.
    int LoadTxt(const char* fileName) override;

    // The texture's size limited by MaxTextureSize, keeping the aspect.
    void GetSize(uint32_t& width, uint32_t& height) const override;
    int GetTargetFormat() override { return ChooseTarget(); }
    // The compression target (TextureCompress.h); sets the target alpha.
    virtual int ChooseTarget();
    bool GetTargetAlpha() const { return m_targetAlpha; }
    // The display's count for the limited size, at most the engine's own.
    int GetNumMipLevels() override;
    // The engine's mip lock, then the compression (with GPU acceleration);
    // a failed compression gives the lock back and fails.
    int GetMipLock() override;
    // The engine's mip unlock; when it succeeds the compressed levels go.
    int GetMipUnlock() override;
    // A compressed level, sharing the stored data; null out of range.
    std::unique_ptr<Vek::Bitmap> GetCompressedMip(int level, int image) override;
    uint32_t GetCompiledFlags() const override;

    // Compresses every image into its levels (cleared first). Needs a mip
    // lock of the engine's. The failure's text is kept (GetCompressError).
    bool CompressImages(bool gpuAcceleration);
    // Locks the mips (compressing), writes the compiled texture to
    // `filePath` of the plain file system and unlocks. False when the lock,
    // the compression or the file fails.
    bool Save(const char* filePath, const Vek::Display* display);
    // Compresses and writes the compiled texture to `outputPath` inside the
    // root `root` (empty for the plain file system); does not unlock. False
    // when the compression fails or the file cannot be written.
    bool SaveTo(const Vek::PString& root, const char* outputPath, bool gpuAcceleration);

    // Why the last compression or write failed; empty when nothing did.
    // Each resource keeps its own, so parallel conversions do not overwrite
    // each other's reports.
    const std::string& GetCompressError() const { return m_compressError; }
    const std::vector<std::unique_ptr<TextureCompress>>& GetCompressed() const { return m_compressed; }

protected:
    ~CompressAsciiResource() override = default;

private:
    bool WriteCompiled(const Vek::PString& root, const char* path, const Vek::Display* display);

    const Vek::Options* m_options = nullptr;
    bool m_forced = false;
    bool m_targetAlpha = false;
    uint32_t m_maxWidth = 2048;
    uint32_t m_maxHeight = 2048;
    std::vector<std::unique_ptr<TextureCompress>> m_compressed;
    std::string m_compressError;
};

// A new resource type (one reference) making CompressAsciiResource for names
// ending in "convert-tex.txt"; start-up hands it to the engine with the
// product's other resource types.
Vek::ResourceTypeBase* MakeCompressAsciiResourceType();

}  // namespace TETLib
