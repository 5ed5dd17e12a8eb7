#include "meshes/instances/VorlexDynamicIndexedMeshInstance.h"

#include <utility>
#include <vector>

#include "engine/display/Display.h"
#include "engine/geometry/VertexItem.h"
#include "engine/geometry/VertexType.h"
#include "engine/scene/ViewPort.h"

using namespace Vek;

namespace {

enum class ChunkKind { Invalid, Software, Hardware };

ChunkKind KindOf(const GeometryChunk* chunk) {
    if (!chunk) return ChunkKind::Invalid;
    const bool software = chunk->HasFlag(GeometryChunk::kFlagSoftwareSkinned);
    const bool palette = chunk->GetInfluenceMatrixCount() > 0;
    if (software && !palette) return ChunkKind::Software;
    if (!software && palette) return ChunkKind::Hardware;
    return ChunkKind::Invalid;
}

// Whether the chunk has the palette-index item in a stream of its own type.
bool HasPaletteIndexStream(const GeometryChunk& chunk) {
    if (chunk.GetItemOffset(kItemPaletteIndices) < 0) return false;
    const VertexType* type = chunk.GetVertexType();
    return !type || type->GetItemStream(kItemPaletteIndices) >= 0 || type->FindItem(kItemPaletteIndices) == nullptr;
}

// Each vertex from `first` on holds four palette bytes (slot x 3); each
// byte b becomes 3 x mapped[b / 3] while b / 3 is within the palette, and
// the first byte past it ends the vertex's remapping.
bool RemapBoneIndices(GeometryChunk& chunk, const std::vector<int>& mapped, uint32_t first) {
    GeometryChunk::ItemArray indices = chunk.GetItemArray(kItemPaletteIndices);
    if (!indices.pointer || first >= chunk.GetVertexCount()) return false;
    for (uint32_t v = first; v < chunk.GetVertexCount(); ++v) {
        uint8_t* bytes = indices.pointer + std::size_t(v) * indices.stride;
        for (int k = 0; k < 4; ++k) {
            const uint32_t slot = bytes[k] / 3u;
            if (slot >= mapped.size()) break;
            bytes[k] = static_cast<uint8_t>(3 * mapped[slot]);
        }
    }
    return true;
}

}  // namespace

void VorlexDynamicIndexedMeshInstance::InitSkinnedFromResource(Resource* resource,
                                                               VorlexIndexedMeshDefinition* definition) {
    InitSkin(*this, resource, definition);
}

Particle* VorlexDynamicIndexedMeshInstance::CreateInstance() const {
    auto* copy = new VorlexDynamicIndexedMeshInstance(m_renderKernel, *this);
    copy->VorlexIndexedMeshInstance::InitInstance(*this);
    copy->CopySkin(*copy);
    return copy;
}

void VorlexDynamicIndexedMeshInstance::PoseChunks(uint32_t stamp) { PoseSkin(*this, stamp); }

void VorlexDynamicIndexedMeshInstance::Render(ViewPort* viewPort, uint32_t pass, const Matrix4& matrix) {
    PoseChunks(viewPort ? viewPort->GetFrameNumber() : 0);
    VorlexIndexedMeshInstance::Render(viewPort, pass, matrix);
}

void VorlexDynamicIndexedMeshInstance::RenderGeometry(Display* display, ViewPort* viewPort, const Matrix4& matrix,
                                                      bool lit) {
    PoseChunks(display ? display->GetFrameNumber() : 0);
    VorlexIndexedMeshInstance::RenderGeometry(display, viewPort, matrix, lit);
}

void VorlexDynamicIndexedMeshInstance::MakeChunkPrivate(uint32_t index) {
    GeometryChunk* old = GetChunk(index);
    AutoReference<GeometryChunk> keep;
    keep.Share(old);  // alive until the assignment has moved
    VorlexIndexedMeshInstance::MakeChunkPrivate(index);
    if (old && GetChunk(index) != old) ReassignBoneMatrices(old, GetChunk(index));
}

namespace {

// The influences of chunk `key` of the source mesh, matched to this mesh's
// bones by name: (bone index, entry) pairs, or false when a source bone
// with such an entry has no bone of its name here (or that bone no sets).
bool MatchInfluences(const VorlexInfluenceMesh& target, const VorlexInfluenceMesh& source, uint32_t key,
                     std::vector<std::pair<uint32_t, const VorlexInfluenceMesh::ChunkEntry*>>& matched) {
    for (uint32_t b = 0; b < source.GetBoneCount(); ++b) {
        const VorlexInfluenceMesh::Bone* bone = source.GetBone(b);
        if (bone->sets.empty()) continue;
        const VorlexInfluenceMesh::ChunkEntry* entry = nullptr;
        for (const auto& candidate : bone->sets[0].entries)
            if (candidate.chunk == key) {
                entry = &candidate;
                break;
            }
        if (!entry) continue;
        const int own = target.FindBone(bone->name);
        if (own < 0 || target.GetBone(static_cast<uint32_t>(own))->sets.empty()) return false;
        matched.emplace_back(static_cast<uint32_t>(own), entry);
    }
    return true;
}

// Maps the source palette entries (source bone indices) to this mesh's
// bones by name, adding each to `chunk`'s palette: the slot of every
// source slot, or false for a bone not found here.
bool MapPalette(GeometryChunk& chunk, const std::vector<int>& sourceBones, const VorlexInfluenceMesh& target,
                const VorlexInfluenceMesh& source, std::vector<int>& mapped) {
    mapped.clear();
    for (int sourceBone : sourceBones) {
        const VorlexInfluenceMesh::Bone* bone = sourceBone >= 0 ? source.GetBone(static_cast<uint32_t>(sourceBone)) : nullptr;
        const int own = bone ? target.FindBone(bone->name) : -1;
        if (own < 0) return false;
        mapped.push_back(chunk.AddInfluenceMatrix(own));
    }
    return true;
}

std::vector<int> PaletteOf(const GeometryChunk& chunk) {
    std::vector<int> bones;
    for (int slot = 0; slot < chunk.GetInfluenceMatrixCount(); ++slot) bones.push_back(chunk.GetInfluenceBone(slot));
    return bones;
}

}  // namespace

bool VorlexDynamicIndexedMeshInstance::AddSkinnedChunk(GeometryChunk* chunk, Material* material,
                                                       const VorlexInfluenceMesh* sourceInfluences, uint32_t key) {
    const ChunkKind kind = KindOf(chunk);
    if (!sourceInfluences || !chunk || m_chunkCount == 0 || kind == ChunkKind::Invalid || kind != KindOf(GetChunk(0)))
        return false;
    AutoReference<GeometryChunk> clone(chunk->Clone());
    PrepareClone(clone.Get(), GetDisplay());
    const uint32_t newIndex = m_chunkCount;

    std::vector<std::pair<uint32_t, const ChunkEntry*>> matched;
    if (kind == ChunkKind::Software) {
        // Every bone is matched before any entry is appended, so a failure
        // leaves no entry for a chunk that was never added.
        if (!MatchInfluences(*this, *sourceInfluences, key, matched)) return false;
    } else {
        if (!HasPaletteIndexStream(*clone)) return false;
        const std::vector<int> sourceBones = PaletteOf(*clone);
        clone->ResetMatrixArray();
        std::vector<int> mapped;
        if (!MapPalette(*clone, sourceBones, *this, *sourceInfluences, mapped) || !RemapBoneIndices(*clone, mapped, 0))
            return false;
    }
    for (const auto& [bone, entry] : matched) {
        ChunkEntry copy = *entry;
        copy.chunk = newIndex;
        AddBoneInfluences(bone, copy);
    }
    AutoReference<Material> kept;
    kept.Share(material);
    GeometryChunk* added = clone.Get();
    AppendChunk(std::move(clone), std::move(kept));
    if (kind == ChunkKind::Hardware) AssignBoneMatrices(added);
    return true;
}

bool VorlexDynamicIndexedMeshInstance::MergeSkinnedChunk(GeometryChunk* source, uint32_t index,
                                                         const VorlexInfluenceMesh* sourceInfluences, uint32_t key) {
    GeometryChunk* chunk = GetChunk(index);
    const ChunkKind kind = KindOf(source);
    if (!sourceInfluences || !source || !chunk || !source->HasFlag(GeometryChunk::kFlagMergeable) ||
        !chunk->HasFlag(GeometryChunk::kFlagMergeable) || !HasOneVertexStream(*source) || !HasOneVertexStream(*chunk) ||
        !chunk->AcceptsVertices(*source) || kind == ChunkKind::Invalid || kind != KindOf(GetChunk(0)))
        return false;
    AutoReference<GeometryChunk> clone(chunk->Clone());
    const uint32_t offset = chunk->GetVertexCount();
    if (!clone->AppendChunk(*source, GetDisplay())) return false;

    std::vector<std::pair<uint32_t, const ChunkEntry*>> matched;
    if (kind == ChunkKind::Software) {
        if (!MatchInfluences(*this, *sourceInfluences, key, matched)) return false;
    } else {
        if (!clone->GetVertexProgram(0)) return false;
        std::vector<int> mapped;
        if (!MapPalette(*clone, PaletteOf(*source), *this, *sourceInfluences, mapped) ||
            clone->GetInfluenceMatrixCount() > kMaxPaletteMatrices || !RemapBoneIndices(*clone, mapped, offset))
            return false;
    }
    // The weights are copied before any list grows: the source influences
    // may be this instance's own, and the entry read the one written.
    std::vector<std::pair<uint32_t, std::vector<Influence>>> added;
    added.reserve(matched.size());
    for (const auto& [bone, entry] : matched) added.emplace_back(bone, entry->weights);
    for (const auto& [bone, weights] : added) {
        InfluenceSet& set = Bones()[bone].sets[0];
        ChunkEntry* own = set.FindEntry(index);
        if (!own) {
            set.entries.push_back(ChunkEntry{index, {}});
            own = &set.entries.back();
        }
        for (Influence influence : weights) {
            // A weight for a vertex the source lacks stays behind: moved
            // past the old vertices it could wrap round onto one of them.
            if (influence.vertex >= source->GetVertexCount()) continue;
            influence.vertex += offset;
            own->weights.push_back(influence);
        }
    }
    AutoReference<GeometryChunk> old;
    old.Share(chunk);  // alive until its assignment has moved
    MakeChunkArrayPrivate();
    m_chunks.Set(index, clone);
    if (kind == ChunkKind::Hardware) {
        ReassignBoneMatrices(chunk, clone.Get());
        AssignBoneMatrices(clone.Get());
    }
    return true;
}
