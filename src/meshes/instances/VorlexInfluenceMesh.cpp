#include "meshes/instances/VorlexInfluenceMesh.h"

#include <algorithm>
#include <utility>

#include "engine/geometry/GeometryChunk.h"
#include "engine/geometry/VertexItem.h"
#include "engine/math/Transformation.h"
#include "engine/scene/Particle.h"
#include "engine/scene/ParticleNameIndex.h"
#include "meshes/instances/DisplayMatrixOf.h"

using namespace Vek;

// What software skinning of one level works on.
struct VorlexInfluenceMesh::SkinPass {
    uint32_t chunkCount;
    const ChunkRef* chunks;
    uint32_t level;
};

const VorlexInfluenceMesh::ChunkEntry* VorlexInfluenceMesh::InfluenceSet::FindEntry(uint32_t chunk) const {
    for (const ChunkEntry& entry : entries)
        if (entry.chunk == chunk) return &entry;
    return nullptr;
}

VorlexInfluenceMesh::VorlexInfluenceMesh(const VorlexInfluenceMesh& source)
    : m_bones(source.m_bones), m_levelSlots(source.m_levelSlots), m_stamps(source.m_stamps.size(), 0) {
    LinkHierarchy();
}

// ---- building ----

namespace {

VorlexInfluenceMesh::Bone RestBone(const char* name, const char* parentName, const Vector3& position,
                                   const float orientation[9]) {
    VorlexInfluenceMesh::Bone bone;
    bone.name = PString(name);
    bone.parentName = PString(parentName);
    bone.position = position;
    bone.orientation.Set(orientation);
    return bone;
}

}  // namespace

namespace {

// Only a chunk skinned in software has its positions rewritten by a pose:
// such a chunk is private to each instance, while any other shares its
// vertex block with the definition and every other instance.
bool IsSkinnedInSoftware(const GeometryChunk* chunk) {
    return chunk && chunk->HasFlag(GeometryChunk::kFlagSoftwareSkinned);
}

}  // namespace

void VorlexInfluenceMesh::BuildFromMeshBones(const std::vector<InfluenceDefinition>& bones, bool hardware,
                                             uint32_t chunkCount, const ChunkRef* chunks) {
    m_bones.clear();
    m_stamps.clear();
    m_levelSlots.assign(1, LevelSlot{0, hardware});
    m_bones.reserve(bones.size());
    for (const InfluenceDefinition& source : bones) {
        Bone bone = RestBone(source.name.c_str(), source.parentName.c_str(), source.position, source.orientation);
        InfluenceSet set;
        set.hardware = hardware;
        if (!hardware) set.entries = source.entries;
        bone.sets.push_back(std::move(set));
        m_bones.push_back(std::move(bone));
        m_stamps.push_back(0);
    }
    if (hardware && chunks)
        for (uint32_t c = 0; c < chunkCount; ++c) AssignBoneMatrices(chunks[c].Get());
    LinkHierarchy();
}

void VorlexInfluenceMesh::BuildFromLODBones(const std::vector<LevelBone>& bones, const std::vector<LevelSkin>& levels,
                                            const std::vector<uint32_t>& setLevels) {
    m_bones.clear();
    m_levelSlots.clear();
    if (!bones.empty()) {
        m_levelSlots.resize(levels.size());
        for (std::size_t j = 0; j < levels.size(); ++j) m_levelSlots[j].hardware = levels[j].hardware;
        for (std::size_t k = 0; k < setLevels.size(); ++k)
            if (setLevels[k] < m_levelSlots.size()) m_levelSlots[setLevels[k]].set = static_cast<int32_t>(k);
        // The chunks of a hardware level read their palettes from the bones.
        for (const LevelSkin& level : levels)
            if (level.hardware && level.chunks)
                for (uint32_t c = 0; c < level.chunkCount; ++c) AssignBoneMatrices(level.chunks[c].Get());
    }
    m_stamps.assign(m_levelSlots.size(), 0);
    m_bones.reserve(bones.size());
    for (const LevelBone& source : bones) {
        Bone bone = RestBone(source.name.c_str(), source.parentName.c_str(), source.position, source.orientation);
        bone.sets.reserve(source.sets.size());
        for (std::size_t k = 0; k < source.sets.size(); ++k) {
            InfluenceSet set;
            set.hardware = k < setLevels.size() && setLevels[k] < levels.size() && levels[setLevels[k]].hardware;
            if (!set.hardware) set.entries = source.sets[k];
            bone.sets.push_back(std::move(set));
        }
        m_bones.push_back(std::move(bone));
    }
    LinkHierarchy();
}

void VorlexInfluenceMesh::LinkHierarchy() {
    m_root = -1;
    m_boneNames.clear();
    for (uint32_t j = 0; j < m_bones.size(); ++j) {
        m_bones[j].children.clear();
        auto [it, inserted] = m_boneNames.try_emplace(m_bones[j].name.c_str(), static_cast<int32_t>(j), -1);
        if (!inserted && it->second.second < 0) it->second.second = static_cast<int32_t>(j);
    }
    // Parents are looked up by name, not searched for: a skeleton of many
    // thousand bones links in linear time.
    for (uint32_t i = 0; i < m_bones.size(); ++i) {
        if (m_bones[i].parentName.IsEmpty()) {
            m_root = static_cast<int>(i);  // the last one wins
            continue;
        }
        const auto it = m_boneNames.find(m_bones[i].parentName.c_str());
        if (it == m_boneNames.end()) continue;
        const int32_t j = it->second.first != static_cast<int32_t>(i) ? it->second.first : it->second.second;
        if (j >= 0) m_bones[static_cast<std::size_t>(j)].children.push_back(i);
    }
}

const VorlexInfluenceMesh::Bone* VorlexInfluenceMesh::GetRootBone() const {
    return m_root >= 0 ? &m_bones[static_cast<std::size_t>(m_root)] : nullptr;
}

int VorlexInfluenceMesh::FindBone(const PString& name) const {
    const auto it = m_boneNames.find(name.c_str());
    return it != m_boneNames.end() ? it->second.first : -1;
}

bool VorlexInfluenceMesh::AddBoneInfluences(uint32_t bone, const ChunkEntry& entry) {
    if (bone >= m_bones.size() || m_bones[bone].sets.empty()) return false;
    m_bones[bone].sets[0].entries.push_back(entry);
    return true;
}

bool VorlexInfluenceMesh::IsHardwareLevel(uint32_t level) const {
    return !m_bones.empty() && level < m_levelSlots.size() && m_levelSlots[level].hardware;
}

// ---- the chunks' palettes ----

void VorlexInfluenceMesh::AssignBoneMatrices(GeometryChunk* chunk) {
    if (!chunk) return;
    const bool known = std::any_of(m_assigned.begin(), m_assigned.end(),
                                   [chunk](const ChunkRef& assigned) { return assigned.Get() == chunk; });
    if (!known) {
        ChunkRef kept;
        kept.Share(chunk);
        m_assigned.push_back(std::move(kept));
    }
    UpdateAssignedChunks();
}

void VorlexInfluenceMesh::ReassignBoneMatrices(GeometryChunk* from, GeometryChunk* to) {
    for (ChunkRef& assigned : m_assigned)
        if (assigned.Get() == from) {
            assigned.Share(to);
            UpdateAssignedChunks();
            return;
        }
}

void VorlexInfluenceMesh::UpdateAssignedChunks() const {
    for (const ChunkRef& assigned : m_assigned) {
        GeometryChunk* chunk = assigned.Get();
        if (!chunk) continue;
        for (int slot = 0; slot < chunk->GetInfluenceMatrixCount(); ++slot) {
            const int bone = chunk->GetInfluenceBone(slot);
            if (bone >= 0 && static_cast<std::size_t>(bone) < m_bones.size())
                chunk->SetInfluenceMatrix(slot, DisplayMatrixOf(m_bones[static_cast<std::size_t>(bone)].pose));
        }
    }
}

// ---- binding and posing ----

Matrix4 VorlexInfluenceMesh::LocalMatrix(const Bone& bone) const {
    if (bone.particle) return Matrix4::FromRotationTranslation(bone.particle->GetOrientation(), bone.particle->GetPosition());
    return Matrix4::FromRotationTranslation(bone.orientation, bone.position);
}

void VorlexInfluenceMesh::Bind(Particle* skeleton) {
    m_boundParticle = skeleton;
    const ParticleNameIndex particles(skeleton);
    for (Bone& bone : m_bones) bone.particle = particles.Find(bone.name);
    if (m_root >= 0) BindBone(static_cast<uint32_t>(m_root), Matrix4::Identity());
}

// The bone trees are walked with a stack of their own: a long chain of
// bones must not exhaust the call stack. Each bone has one parent, so no
// bone is reached twice from the root.
void VorlexInfluenceMesh::BindBone(uint32_t first, const Matrix4& parent) {
    std::vector<std::pair<uint32_t, Matrix4>> pending{{first, parent}};
    while (!pending.empty()) {
        auto [index, parentMatrix] = pending.back();
        pending.pop_back();
        Bone& bone = m_bones[index];
        bone.pose = LocalMatrix(bone) * parentMatrix;
        if (bone.particle) {
            Matrix4 inverse;
            if (bone.pose.Invert(inverse)) bone.inverseBind = inverse;
        }
        for (uint32_t child : bone.children) pending.emplace_back(child, bone.pose);
    }
}

void VorlexInfluenceMesh::UpdateBoneMatrices(uint32_t first, const Matrix4& parent) {
    std::vector<std::pair<uint32_t, Matrix4>> pending{{first, parent}};
    while (!pending.empty()) {
        auto [index, parentMatrix] = pending.back();
        pending.pop_back();
        Bone& bone = m_bones[index];
        const Matrix4 global = LocalMatrix(bone) * parentMatrix;
        for (uint32_t child : bone.children) pending.emplace_back(child, global);
        bone.pose = bone.inverseBind * global;
    }
}

void VorlexInfluenceMesh::SkinBone(uint32_t first, const SkinPass& pass) {
    std::vector<std::pair<uint32_t, Transformation>> pending{{first, Transformation()}};
    while (!pending.empty()) {
        auto [index, parent] = pending.back();
        pending.pop_back();
        const Bone& bone = m_bones[index];
        const Transformation local = bone.particle
                                         ? Transformation(bone.particle->GetOrientation(), bone.particle->GetPosition())
                                         : Transformation(bone.orientation, bone.position);
        Transformation transform;
        transform.MultiplyTransform(local, parent);
        for (uint32_t child : bone.children) pending.emplace_back(child, transform);
        const int32_t set = pass.level < m_levelSlots.size() ? m_levelSlots[pass.level].set : -1;
        if (set < 0 || static_cast<std::size_t>(set) >= bone.sets.size()) continue;
        for (const ChunkEntry& entry : bone.sets[static_cast<std::size_t>(set)].entries) {
            // An entry may name a chunk this mesh does not have.
            if (entry.chunk >= pass.chunkCount) continue;
            GeometryChunk* chunk = pass.chunks[entry.chunk].Get();
            if (!IsSkinnedInSoftware(chunk)) continue;
            GeometryChunk::ItemArray positions = chunk->GetItemArray(kItemPosition);
            if (!positions.pointer) continue;
            for (const Influence& influence : entry.weights) {
                if (influence.vertex >= chunk->GetVertexCount()) continue;
                float* p = reinterpret_cast<float*>(positions.pointer + std::size_t(influence.vertex) * positions.stride);
                const Vector3 moved = transform.Transform(influence.offset) * influence.weight;
                p[0] += moved.x;
                p[1] += moved.y;
                p[2] += moved.z;
            }
        }
    }
}

void VorlexInfluenceMesh::ClearSkinnedPositions(uint32_t chunkCount, const ChunkRef* chunks, uint32_t level) {
    if (!chunks || m_bones.empty() || level >= m_levelSlots.size() || IsHardwareLevel(level)) return;
    for (uint32_t c = 0; c < chunkCount; ++c) {
        GeometryChunk* chunk = chunks[c].Get();
        if (!IsSkinnedInSoftware(chunk)) continue;
        GeometryChunk::ItemArray positions = chunk->GetItemArray(kItemPosition);
        if (!positions.pointer) continue;
        for (uint32_t v = 0; v < chunk->GetVertexCount(); ++v) {
            float* p = reinterpret_cast<float*>(positions.pointer + std::size_t(v) * positions.stride);
            p[0] = p[1] = p[2] = 0.0f;
        }
    }
}

void VorlexInfluenceMesh::Pose(uint32_t chunkCount, const ChunkRef* chunks, uint32_t stamp, uint32_t level) {
    // A level the table does not have is never posed.
    if (m_bones.empty() || level >= m_levelSlots.size() || level >= m_stamps.size()) return;
    if (stamp != 0 && static_cast<uint32_t>(m_stamps[level]) == stamp) return;
    m_stamps[level] = static_cast<int32_t>(stamp);
    ClearSkinnedPositions(chunkCount, chunks, level);
    if (m_root < 0) return;
    if (IsHardwareLevel(level)) {
        UpdateBoneMatrices(static_cast<uint32_t>(m_root), Matrix4::Identity());
        UpdateAssignedChunks();
    } else if (chunks) {
        SkinBone(static_cast<uint32_t>(m_root), SkinPass{chunkCount, chunks, level});
    }
}
