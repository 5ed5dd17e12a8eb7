#include "engine/animation/KinAnimation.h"

#include <cmath>

#include "engine/meshfile/MeshFileSupport.h"

namespace Vek {

bool KinAnimation::Read(MemoryFile& file) {
    *this = KinAnimation{};
    KinAnimation read;
    std::size_t fileEnd = 0;
    if (!MeshFileSupport::ReadVIRFHeader(file, "KINM", fileEnd)) return false;
    if (!file.ReadTagIs("ANIM")) return false;
    uint32_t size = 0, version = 0, boneCount = 0;
    if (!file.Read(size)) return false;
    std::size_t chunkEnd = file.GetPosition() + size;
    if (!file.Read(version) || version != 100) return false;
    if (!file.Read(read.framesPerSecond) || !file.Read(read.frameCount) || !file.Read(boneCount)) return false;
    if (!(read.framesPerSecond > 0) || !std::isfinite(read.framesPerSecond)) return false;
    if (read.frameCount == 0 || read.frameCount > kMaxFrames || boneCount == 0 || boneCount > kMaxBones) return false;
    const uint64_t keyBytes = 7 * sizeof(float);
    // Each bone needs at least a 4-byte name length and its keys.
    if (!file.Holds(boneCount, 4 + keyBytes * read.frameCount)) return false;
    read.tracks.resize(boneCount);
    for (Track& track : read.tracks) {
        if (!MeshFileSupport::ReadPaddedString(file, track.bone) || track.bone.IsEmpty()) return false;
        for (const Track& other : read.tracks) {
            if (&other == &track) break;
            if (other.bone == track.bone) return false;
        }
        if (!file.Holds(read.frameCount, keyBytes)) return false;
        track.keys.resize(read.frameCount);
        for (Key& key : track.keys) {
            float f[7];
            file.Read(f, sizeof f);
            for (float v : f)
                if (!std::isfinite(v)) return false;
            key.position = {f[0], f[1], f[2]};
            key.orientation = {f[3], f[4], f[5], f[6]};
        }
    }
    if (file.GetPosition() != chunkEnd || file.GetPosition() != fileEnd) return false;
    *this = std::move(read);
    return true;
}

bool KinAnimation::Write(File& file) const {
    int64_t fileMark = MeshFileSupport::WriteVIRFHeader(file, "KINM");
    if (fileMark < 0 || !MeshFileSupport::WriteTag(file, "ANIM")) return false;
    int64_t chunkMark = MeshFileSupport::MarkSizePos(file);
    bool ok = chunkMark >= 0 && MeshFileSupport::WriteU32(file, 100) && MeshFileSupport::WriteFloat(file, framesPerSecond) &&
              MeshFileSupport::WriteU32(file, frameCount) &&
              MeshFileSupport::WriteU32(file, static_cast<uint32_t>(tracks.size()));
    for (const Track& track : tracks) {
        ok = ok && MeshFileSupport::WritePaddedString(file, track.bone.c_str());
        for (uint32_t k = 0; ok && k < frameCount; ++k) {
            Key key = k < track.keys.size() ? track.keys[k] : Key{};
            float f[7] = {key.position.x,    key.position.y,    key.position.z,   key.orientation.x,
                          key.orientation.y, key.orientation.z, key.orientation.w};
            ok = file.Write(f, sizeof f) == sizeof f;
        }
    }
    return ok && MeshFileSupport::WriteSizeAtMark(file, chunkMark) && MeshFileSupport::WriteSizeAtMark(file, fileMark);
}

}  // namespace Vek
