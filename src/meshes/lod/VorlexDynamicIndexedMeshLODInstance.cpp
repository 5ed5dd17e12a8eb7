#include "meshes/lod/VorlexDynamicIndexedMeshLODInstance.h"

#include <algorithm>
#include <cstring>

#include "engine/Resource.h"
#include "engine/display/Display.h"
#include "engine/scene/ParticleBone.h"
#include "engine/scene/ViewPort.h"
#include "meshes/lod/VorlexIndexedMeshLODDefinition.h"

using namespace Vek;

namespace {

// Sets or clears the hidden flag of a particle and its whole subtree.
void SetHiddenTree(Particle* root, bool hidden) {
    for (Particle* p : root->Enumerate()) p->SetFlag(Particle::kFlagHidden, hidden);
}

}  // namespace

void VorlexDynamicIndexedMeshLODInstance::MakeSkinnedChunksPrivate(bool assign) {
    MakeChunkArrayPrivate();
    for (uint32_t i = 0; i < m_chunkCount; ++i) {
        GeometryChunk* chunk = GetChunk(i);
        if (!chunk || chunk->HasFlag(GeometryChunk::kFlagSoftwareSkinned)) continue;
        MakeChunkPrivate(i);
        if (assign) AssignBoneMatrices(GetChunk(i));
    }
}

void VorlexDynamicIndexedMeshLODInstance::InitFromResource(Resource* resource,
                                                           VorlexIndexedMeshDefinition* definition) {
    HoldResource(resource);
    auto* d = dynamic_cast<VorlexIndexedMeshLODDefinition*>(definition);
    if (!d) return;
    InitFromDefinition(d);
    m_animationCutOff = d->animationCutOff;
    // The palettes are written by every pose: each level's hardware-skinned
    // chunks must be this instance's own.
    for (uint32_t l = 0; l < GetLevelCount(); ++l) {
        SelectLevel(l);
        MakeSkinnedChunksPrivate(false);
    }
    SelectDefaultLevel();

    std::vector<LevelBone> bones;
    bones.reserve(d->boneTable.size());
    for (const LODBone& source : d->boneTable) {
        LevelBone bone;
        bone.name = source.name.c_str();
        bone.parentName = source.parentName.c_str();
        bone.position = source.position;
        std::copy(source.orientation, source.orientation + 9, bone.orientation);
        bone.sets.reserve(source.influences.size());
        for (const LODBoneInfluences& set : source.influences) bone.sets.push_back(set.entries);
        bones.push_back(std::move(bone));
    }
    std::vector<LevelSkin> skins;
    for (const LODLevel& level : m_levels) {
        const auto* items = level.chunks.GetItems();
        skins.push_back({level.hardwareSkinned, level.chunkCount, items && !items->empty() ? items->data() : nullptr});
    }
    BuildFromLODBones(bones, skins, d->influenceLevels);
    if (m_namedLevels)
        for (const NamedLevel& n : *m_namedLevels)
            if (n.animated) AddAnimatedLevel(n.level);
    Particle* skeleton = d->skeletonRoot ? d->skeletonRoot->CloneTree() : nullptr;
    Bind(skeleton);
    if (skeleton) Add(skeleton);
    d->AddAttachmentPoints(this);
}

Particle* VorlexDynamicIndexedMeshLODInstance::CreateInstance() const {
    auto* copy = new VorlexDynamicIndexedMeshLODInstance(m_renderKernel, *this);
    copy->InitLODInstance(*this);
    copy->m_animationCutOff = m_animationCutOff;
    copy->m_skinFlags = static_cast<uint8_t>((copy->m_skinFlags & ~kPoseDue) | (m_skinFlags & kPoseDue));
    copy->m_animatedLevels = m_animatedLevels;
    const Bone* root = copy->GetRootBone();
    copy->Bind(root ? copy->FindByName(root->name) : nullptr);
    for (uint32_t l = 0; l < copy->GetLevelCount(); ++l) {
        copy->SelectLevel(l);
        copy->MakeSkinnedChunksPrivate(true);
    }
    copy->SelectLevel(m_selectedLevel);
    return copy;
}

bool VorlexDynamicIndexedMeshLODInstance::AddAnimatedLevel(uint32_t index) {
    if (std::find(m_animatedLevels.begin(), m_animatedLevels.end(), index) != m_animatedLevels.end()) return true;
    if (index >= GetLevelCount()) return false;
    if (m_animatedLevels.size() == m_animatedLevels.capacity())
        m_animatedLevels.reserve((m_animatedLevels.size() / 10 + 1) * 10);
    m_animatedLevels.push_back(index);
    return true;
}

void VorlexDynamicIndexedMeshLODInstance::UpdateSkin(uint32_t frame) {
    const float v = GetCurrentLOD();
    const float offset = GetOffset();
    bool change = false, hide = false;
    if (v - offset > m_animationCutOff) {
        m_skinFlags |= kAboveBand;
        change = hide = true;
    } else if (v + offset < m_animationCutOff) {
        m_skinFlags &= static_cast<uint8_t>(~kAboveBand);
        change = true;
    }
    if (change)
        for (Particle* child = GetFirstChild(); child; child = child->GetNextSibling()) {
            const char* name = child->GetName().c_str();
            if (std::strlen(name) > 2 && std::strncmp(name, "b.", 2) == 0) SetHiddenTree(child, hide);
        }
    if (!(m_skinFlags & (kPoseDue | kAboveBand))) return;
    m_skinFlags &= static_cast<uint8_t>(~kPoseDue);
    const uint32_t current = GetCurrentLevel();
    auto pose = [&](uint32_t level) {
        const LODLevel* record = GetLevel(level);
        if (!record) return;
        const auto* items = record->chunks.GetItems();
        Pose(record->chunkCount, items && !items->empty() ? items->data() : nullptr, frame, level);
    };
    pose(current);
    for (uint32_t level : m_animatedLevels)
        if (level != current) pose(level);
}

void VorlexDynamicIndexedMeshLODInstance::Render(ViewPort* viewPort, uint32_t pass, const Matrix4& matrix) {
    UpdateSkin(GetDisplay() ? GetDisplay()->GetFrameNumber() : 0);
    VorlexIndexedMeshLODInstance::Render(viewPort, pass, matrix);
}

void VorlexDynamicIndexedMeshLODInstance::RenderGeometry(Display* display, ViewPort* viewPort, const Matrix4& matrix,
                                                         bool lit) {
    UpdateSkin(display ? display->GetFrameNumber() : 0);
    VorlexIndexedMeshLODInstance::RenderGeometry(display, viewPort, matrix, lit);
}
