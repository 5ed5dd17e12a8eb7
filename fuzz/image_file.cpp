// Image files (JPEG, PNG, TGA, BMP) loaded into a bitmap from any bytes, as
// textures, conversion jobs and script images load them: a refusal that
// leaves the bitmap empty, or a 32-bit picture no larger than the header
// announced; never a crash, an overrun or a huge allocation.
// The picture budget is small here, so that each input decodes quickly.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "engine/bitmap/Bitmap.h"
#include "engine/bitmap/PictureBudget.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Vek::PictureBudget::SetLimit(uint64_t(8) << 20);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const uint64_t decodeBytes = Vek::Bitmap::DecodeBytes(data, size);
    Vek::Bitmap bitmap;
    if (!bitmap.LoadFromMemory(data, size)) {
        FUZZ_CHECK(bitmap.IsEmpty());
        FUZZ_CHECK(Vek::Bitmap::LastLoadFailure() != Vek::Bitmap::LoadFailure::kNone);
        return 0;
    }
    FUZZ_CHECK(bitmap.GetFormat() == Vek::Bitmap::kARGB32);
    FUZZ_CHECK(bitmap.GetWidth() > 0 && bitmap.GetHeight() > 0);
    FUZZ_CHECK(uint64_t(bitmap.GetWidth()) * uint64_t(bitmap.GetHeight()) * 8 <= decodeBytes);
    FUZZ_CHECK(bitmap.GetByteSize() == std::size_t(bitmap.GetWidth()) * std::size_t(bitmap.GetHeight()) * 4);
    return 0;
}
