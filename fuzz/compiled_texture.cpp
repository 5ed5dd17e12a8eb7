// Compiled textures (".texture") read from any bytes: a failure with an
// error text, never a crash, an overrun or a huge allocation; what is read
// has the levels it says.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "engine/textures/CompiledTexture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    Vek::CompiledTexture texture;
    std::string error;
    if (!texture.Read(data, size, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(!texture.images.empty());
    for (const auto& image : texture.images) {
        FUZZ_CHECK(image.size() == texture.images[0].size());
        for (const auto& level : image) FUZZ_CHECK(level && level->GetWidth() > 0 && level->GetHeight() > 0);
    }
    return 0;
}
