#pragma once
// The skinning part of the skinned mesh instances: a table of bones built
// from a definition's bones, bound by name to the particles of a skeleton,
// and posed once per frame stamp and level.
//
// Hardware skinning: every bone keeps a skinning matrix (inverse bind x the
// bone's global matrix) that the chunks assigned to the mesh use as their
// matrix palette (a chunk's palette slot names a bone; the slot's matrix is
// that bone's skinning matrix after every pose). Software skinning: vertex
// positions are rewritten as the weighted sum, over the bones that move
// them, of the bone-transformed offsets; weights are used as stored. Only
// chunks flagged as skinned in software (0x40) are rewritten: the others
// share their vertices with the definition and keep them.
//
// Matrices are row vectors; A x B applies A first. Pose matrix of a bone =
// R(orientation) x T(position) x parent's pose matrix, from the bound
// particle's local values or, without a particle, the bone's rest values.
//
// Levels: indexed meshes have one level, with one influence set per bone;
// level-of-detail meshes one level per level of the mesh, and per bone one
// influence set per level that has weights (a level without weights is
// posed with none). Each level records whether it is skinned in hardware.
// A level the table does not have is never posed.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/PString.h"
#include "engine/ReferenceCount.h"
#include "engine/Vector.h"
#include "engine/math/Matrix4.h"
#include "engine/meshfile/InfluenceDefinition.h"

namespace Vek {
class GeometryChunk;
class Particle;
}  // namespace Vek

class VorlexInfluenceMesh {
public:
    using Influence = Vek::InfluenceDefinition::Weight;
    using ChunkEntry = Vek::InfluenceDefinition::Entry;
    using ChunkRef = Vek::AutoReference<Vek::GeometryChunk>;

    struct InfluenceSet {
        bool hardware = false;
        std::vector<ChunkEntry> entries;
        // The entry of chunk `chunk`, or null.
        const ChunkEntry* FindEntry(uint32_t chunk) const;
        ChunkEntry* FindEntry(uint32_t chunk) {
            return const_cast<ChunkEntry*>(static_cast<const InfluenceSet*>(this)->FindEntry(chunk));
        }
    };

    struct Bone {
        Vek::PString name;
        Vek::PString parentName;
        Vek::Matrix4 pose;
        Vek::Matrix4 inverseBind;
        Vek::Particle* particle = nullptr;
        std::vector<InfluenceSet> sets;
        Vek::Quaternion orientation;
        Vek::Vector3 position;
        std::vector<uint32_t> children;  // bone indices
    };

    // One level of a level-of-detail mesh: its hardware flag and chunks.
    struct LevelSkin {
        bool hardware = false;
        uint32_t chunkCount = 0;
        const ChunkRef* chunks = nullptr;
    };
    // A level-of-detail bone: the rest values and one entry list per level
    // that has weights.
    struct LevelBone {
        Vek::PString name;
        Vek::PString parentName;
        Vek::Vector3 position;
        float orientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        std::vector<std::vector<ChunkEntry>> sets;
    };

    VorlexInfluenceMesh() = default;
    virtual ~VorlexInfluenceMesh() = default;
    // The deep copy of the table: bone records with their sets, the
    // hierarchy linked again, the stamps reset to zero; the bound particle
    // and the chunks assigned are not copied.
    VorlexInfluenceMesh(const VorlexInfluenceMesh& source);
    VorlexInfluenceMesh& operator=(const VorlexInfluenceMesh&) = delete;

    // ---- operations, in this order ----
    // Binds each bone to the particle of its name (the given one when the
    // names match, else the first below it) and computes the bind matrices.
    virtual void Bind(Vek::Particle* skeleton);
    // Zeroes every vertex position of the chunks skinned in software, for a
    // level skinned in software.
    virtual void ClearSkinnedPositions(uint32_t chunkCount, const ChunkRef* chunks, uint32_t level);
    // Poses the level unless `stamp` is non-zero and the level was posed
    // with it last.
    virtual void Pose(uint32_t chunkCount, const ChunkRef* chunks, uint32_t stamp, uint32_t level);
    // One level per entry of `levels`; `setLevels` gives the level of each
    // of the bones' entry lists.
    virtual void BuildFromLODBones(const std::vector<LevelBone>& bones, const std::vector<LevelSkin>& levels,
                                   const std::vector<uint32_t>& setLevels);
    // One influence set per bone with `hardware` as its flag; entries are
    // copied for software skinning, the chunks assigned for hardware.
    virtual void BuildFromMeshBones(const std::vector<Vek::InfluenceDefinition>& bones, bool hardware,
                                    uint32_t chunkCount, const ChunkRef* chunks);
    // The root bone (the last bone without a parent name), or null.
    virtual const Bone* GetRootBone() const;

    // Appends a copy of `entry` to the bone's first influence set; false for
    // a bone index out of range or a bone without sets.
    bool AddBoneInfluences(uint32_t bone, const ChunkEntry& entry);

    // Makes `chunk` read its palette from the bone matrices (now and after
    // every pose).
    void AssignBoneMatrices(Vek::GeometryChunk* chunk);
    // Moves the assignment of `from` to `to` (a chunk replaced by its clone).
    void ReassignBoneMatrices(Vek::GeometryChunk* from, Vek::GeometryChunk* to);
    // Writes the current skinning matrices into every assigned chunk.
    void UpdateAssignedChunks() const;

    // Finds the bone of a name; -1 when none.
    int FindBone(const Vek::PString& name) const;
    // Whether the level is skinned in hardware (false without bones or level).
    bool IsHardwareLevel(uint32_t level) const;

    uint32_t GetBoneCount() const { return static_cast<uint32_t>(m_bones.size()); }
    const Bone* GetBone(uint32_t i) const { return i < m_bones.size() ? &m_bones[i] : nullptr; }
    Vek::Particle* GetBoundParticle() const { return m_boundParticle; }
    const std::vector<int32_t>& GetStamps() const { return m_stamps; }

protected:
    std::vector<Bone>& Bones() { return m_bones; }

private:
    struct SkinPass;

    void LinkHierarchy();
    void BindBone(uint32_t bone, const Vek::Matrix4& parent);
    void UpdateBoneMatrices(uint32_t bone, const Vek::Matrix4& parent);
    void SkinBone(uint32_t bone, const SkinPass& pass);
    Vek::Matrix4 LocalMatrix(const Bone& bone) const;

    // A level of the table: the position of its set among each bone's sets
    // (-1: no weights), and whether it is skinned in hardware.
    struct LevelSlot {
        int32_t set = -1;
        bool hardware = false;
    };

    std::vector<Bone> m_bones;
    std::vector<LevelSlot> m_levelSlots;
    // The first two bones of each name (the second or -1), made with the
    // hierarchy: a bone's parent is the first other bone of its parent name.
    std::unordered_map<std::string, std::pair<int32_t, int32_t>> m_boneNames;
    int m_root = -1;
    Vek::Particle* m_boundParticle = nullptr;
    // The stamp of each level's last pose (an indexed mesh keeps one per
    // bone, level 0's the first).
    std::vector<int32_t> m_stamps;
    std::vector<ChunkRef> m_assigned;
};
