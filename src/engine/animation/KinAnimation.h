#pragma once
// A skeletal animation as stored in a ".kin" file, our own least format:
// the frames of named bones, each frame a position and an orientation
// relative to the bone's parent.
//
// Layout (little-endian, chunk framing and padded strings as in
// engine/meshfile/MeshFileSupport.h):
//   "VIRF", uint32 size, "KINM"
//   "ANIM" chunk, version 100:
//     float32 frames per second (above 0)
//     uint32  frame count (1 to 1,000,000)
//     uint32  bone count (1 to 4096)
//     per bone: padded string name (not empty, not repeated), then
//               frame count x (3 float32 position, 4 float32 orientation
//               quaternion x, y, z, w)
// The chunk must end where its size says and the file right after it.
// Every count is checked against the bytes present before anything is
// allocated; any mismatch makes the file unreadable.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/File.h"
#include "engine/PString.h"
#include "engine/Vector.h"
#include "engine/meshfile/MemoryFile.h"

namespace Vek {

struct KinAnimation {
    static constexpr uint32_t kMaxFrames = 1000000;
    static constexpr uint32_t kMaxBones = 4096;

    struct Key {
        Vector3 position;
        Quaternion orientation;
    };
    struct Track {
        PString bone;
        std::vector<Key> keys;  // one per frame
    };

    float framesPerSecond = 30.0f;
    uint32_t frameCount = 0;
    std::vector<Track> tracks;

    // False for anything that is not a well-formed animation; the object
    // is then empty.
    bool Read(MemoryFile& file);
    bool Write(File& file) const;
};

}  // namespace Vek
