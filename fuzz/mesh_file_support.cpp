// Chunk envelopes, padded strings and ".kin" animations read from any
// bytes: a failure, never a crash, an overrun or a huge allocation.
#include <cstddef>
#include <cstdint>

#include "engine/animation/KinAnimation.h"
#include "engine/meshfile/MeshFileSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    Vek::MemoryFile file;
    file.Open(data, size);
    Vek::KinAnimation animation;
    animation.Read(file);

    file.SetPosition(0);
    std::size_t end = 0;
    if (Vek::MeshFileSupport::ReadVIRFHeader(file, "IDXM", end)) {
        Vek::AnsiString text;
        while (Vek::MeshFileSupport::ReadPaddedString(file, text)) {
        }
        char* copy = Vek::MeshFileSupport::ReadPaddedString(file);
        delete[] copy;
    }
    return 0;
}
