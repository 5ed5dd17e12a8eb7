// The accessor interface of a loaded indexed mesh, its chunk bone names,
// its memory estimate, its attachment points and its triangles.
#include <algorithm>
#include <cstring>

#include "engine/geometry/GeometryChunk.h"
#include "engine/geometry/VertexItem.h"
#include "engine/scene/AttachmentPoint.h"
#include "engine/scene/GlobalMatrixCache.h"
#include "engine/scene/ParticleBone.h"
#include "engine/scene/ParticleNameIndex.h"
#include "engine/scene/ParticleStructure.h"
#include "meshes/definitions/VorlexIndexedMeshDefinition.h"

using namespace Vek;

namespace {

// Copies `bytes` per vertex of an item into a destination of any stride.
void CopyItem(const GeometryChunk* chunk, int item, uint32_t bytes, const CopyDestination& destination) {
    uint32_t stride = 0;
    const uint8_t* source = chunk ? chunk->GetItemArray(item, stride) : nullptr;
    if (!source || !destination.data) return;
    for (uint32_t v = 0; v < chunk->GetVertexCount(); ++v)
        std::memcpy(static_cast<uint8_t*>(destination.data) + std::size_t(v) * destination.stride,
                    source + std::size_t(v) * stride, bytes);
}

Quaternion FromMatrix(const float m[9]) {
    Quaternion q;
    q.Set(m);
    return q;
}

}  // namespace

uint32_t VorlexIndexedMeshDefinition::GetVertexCount(uint32_t chunk) const {
    const GeometryChunk* c = GetChunk(chunk);
    return c ? c->GetVertexCount() : 0;
}

uint32_t VorlexIndexedMeshDefinition::GetIndexCount(uint32_t chunk) const {
    const GeometryChunk* c = GetChunk(chunk);
    return c ? c->GetIndexCount() : 0;
}

uint32_t VorlexIndexedMeshDefinition::GetFaceNormalCount(uint32_t chunk) const {
    const GeometryChunk* c = GetChunk(chunk);
    return c ? c->GetFaceNormalCount() : 0;
}

uint32_t VorlexIndexedMeshDefinition::GetTexCoordSetCount(uint32_t chunk) const {
    const GeometryChunk* c = GetChunk(chunk);
    uint32_t n = 0;
    if (c)
        for (int item = kItemTexCoord0; item <= kItemTexCoord7; ++item)
            if (c->GetItemOffset(item) >= 0) ++n;
    return n;
}

uint32_t VorlexIndexedMeshDefinition::GetChunkInfluencesPerVertex(uint32_t chunk) const {
    const uint32_t vertices = GetVertexCount(chunk);
    if (bones.empty() || vertices == 0) return 0;
    std::vector<uint32_t> counters(vertices, 0);
    for (const InfluenceDefinition& bone : bones)
        for (const InfluenceDefinition::Entry& entry : bone.entries)
            if (entry.chunk == chunk)
                for (const InfluenceDefinition::Weight& w : entry.weights)
                    if (w.vertex < vertices) ++counters[w.vertex];  // others name no vertex of the chunk
    return *std::max_element(counters.begin(), counters.end());
}

void VorlexIndexedMeshDefinition::CopyPositions(uint32_t chunk, const CopyDestination& destination) const {
    CopyItem(GetChunk(chunk), kItemPosition, 12, destination);
}

void VorlexIndexedMeshDefinition::CopyTexCoords(uint32_t chunk, uint32_t set, const CopyDestination& destination) const {
    const GeometryChunk* c = GetChunk(chunk);
    if (!c) return;
    uint32_t n = 0;
    for (int item = kItemTexCoord0; item <= kItemTexCoord7; ++item) {
        if (c->GetItemOffset(item) < 0) continue;
        if (n++ == set) {
            CopyItem(c, item, 8, destination);
            return;
        }
    }
}

void VorlexIndexedMeshDefinition::CopyIndices(uint32_t chunk, uint16_t* destination) const {
    const GeometryChunk* c = GetChunk(chunk);
    const uint16_t* indices = c ? c->GetIndexArray() : nullptr;
    if (indices && destination) std::copy(indices, indices + c->GetIndexCount(), destination);
}

void VorlexIndexedMeshDefinition::CopyNormals(uint32_t chunk, const CopyDestination& destination) const {
    CopyItem(GetChunk(chunk), kItemNormal, 12, destination);
}

void VorlexIndexedMeshDefinition::CopyColours(uint32_t chunk, const CopyDestination& destination,
                                              uint32_t defaultColour, bool primary) const {
    const GeometryChunk* c = GetChunk(chunk);
    if (!c || !destination.data) return;
    const int item = primary ? kItemDiffuse : kItemSpecular;
    if (c->GetItemOffset(item) >= 0) {
        CopyItem(c, item, 4, destination);
        return;
    }
    for (uint32_t v = 0; v < c->GetVertexCount(); ++v)
        std::memcpy(static_cast<uint8_t*>(destination.data) + std::size_t(v) * destination.stride, &defaultColour, 4);
}

void VorlexIndexedMeshDefinition::CopyFaceNormals(uint32_t chunk, Vector3* destination) const {
    GeometryChunk* c = GetChunk(chunk);
    const float* normals = c ? c->GetFaceNormalArray() : nullptr;
    if (!normals || !destination) return;
    for (uint32_t f = 0; f < c->GetFaceNormalCount(); ++f)
        destination[f] = {normals[3 * f], normals[3 * f + 1], normals[3 * f + 2]};
}

PString VorlexIndexedMeshDefinition::GetMaterialName(uint32_t chunk) const {
    const Material* m = GetMaterial(chunk);
    return m ? PString(m->GetRequestName().c_str()) : PString();
}

std::vector<MeshTextureDefinition> VorlexIndexedMeshDefinition::GetMaterialTextures(uint32_t chunk) const {
    std::vector<MeshTextureDefinition> result;
    if (const Material* m = GetMaterial(chunk))
        for (const Material::TextureDefinition& t : m->GetTextureDefinitions())
            result.push_back({static_cast<uint32_t>(t.slot), PString(t.name.c_str()), t.amount});
    return result;
}

bool VorlexIndexedMeshDefinition::GetMaterialFlag(uint32_t chunk) const {
    const Material* m = GetMaterial(chunk);
    return m && (m->GetFlags() & 1u);
}

float VorlexIndexedMeshDefinition::GetMaterialScalar(uint32_t chunk) const {
    const Material* m = GetMaterial(chunk);
    return m ? m->GetScalar() : 0.0f;
}

void VorlexIndexedMeshDefinition::GetDisplayMaterial(uint32_t chunk, DisplayMaterial& result) const {
    if (const Material* m = GetMaterial(chunk)) result = m->GetDisplayMaterial();
}

uint32_t VorlexIndexedMeshDefinition::GetMaterialPropertyCount(uint32_t chunk) const {
    const Material* m = GetMaterial(chunk);
    return m ? static_cast<uint32_t>(m->GetPropertyCount()) : 0;
}

char* VorlexIndexedMeshDefinition::GetMaterialProperty(uint32_t chunk, uint32_t index, bool value) const {
    const Material* m = GetMaterial(chunk);
    const auto* property = m ? m->GetProperty(index) : nullptr;
    if (!property) return nullptr;
    const std::string& text = value ? property->second : property->first;
    if (text.empty()) return nullptr;
    char* copy = new char[text.size() + 1];
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

PString VorlexIndexedMeshDefinition::GetBoneName(uint32_t bone) const {
    return bone < bones.size() ? PString(bones[bone].name.c_str()) : PString();
}

PString VorlexIndexedMeshDefinition::GetBoneParentName(uint32_t bone) const {
    return bone < bones.size() ? PString(bones[bone].parentName.c_str()) : PString();
}

Vector3 VorlexIndexedMeshDefinition::GetBonePosition(uint32_t bone) const {
    return bone < bones.size() ? bones[bone].position : Vector3{};
}

Quaternion VorlexIndexedMeshDefinition::GetBoneOrientation(uint32_t bone) const {
    return bone < bones.size() ? FromMatrix(bones[bone].orientation) : Quaternion{};
}

uint32_t VorlexIndexedMeshDefinition::GetBoneEntryCount(uint32_t bone) const {
    return bone < bones.size() ? bones[bone].GetEntryCount() : 0;
}

uint32_t VorlexIndexedMeshDefinition::GetBoneEntryChunk(uint32_t bone, uint32_t entry) const {
    return entry < GetBoneEntryCount(bone) ? bones[bone].entries[entry].chunk : 0;
}

uint32_t VorlexIndexedMeshDefinition::GetBoneEntryWeightCount(uint32_t bone, uint32_t entry) const {
    return entry < GetBoneEntryCount(bone) ? bones[bone].entries[entry].GetWeightCount() : 0;
}

void VorlexIndexedMeshDefinition::CopyBoneEntryWeights(uint32_t bone, uint32_t entry,
                                                       InfluenceDefinition::Weight* destination) const {
    if (entry >= GetBoneEntryCount(bone) || !destination) return;
    const auto& weights = bones[bone].entries[entry].weights;
    std::copy(weights.begin(), weights.end(), destination);
}

PString VorlexIndexedMeshDefinition::GetAttachmentName(uint32_t attachment) const {
    return attachment < attachments.size() ? attachments[attachment].name : PString();
}

Quaternion VorlexIndexedMeshDefinition::GetAttachmentOrientation(uint32_t attachment) const {
    return attachment < attachments.size() ? FromMatrix(attachments[attachment].orientation) : Quaternion{};
}

Vector3 VorlexIndexedMeshDefinition::GetAttachmentPosition(uint32_t attachment) const {
    return attachment < attachments.size() ? attachments[attachment].position : Vector3{};
}

PString VorlexIndexedMeshDefinition::GetChunkBoneName(uint32_t chunk) const {
    return chunk < chunkCount && chunk < chunkBoneNames.size() ? chunkBoneNames[chunk] : PString();
}

uint32_t VorlexIndexedMeshDefinition::GetDataSize() const {
    uint64_t size = sizeof(*this) + 300ull * boneCount + uint64_t(sizeof(AttachmentRecord)) * attachmentCount;
    for (const auto& c : chunks)
        if (c) size += uint64_t(c->GetBytesPerVertex()) * c->GetVertexCount() + 2ull * c->GetIndexCount();
    return static_cast<uint32_t>(std::min<uint64_t>(size, UINT32_MAX));
}

void VorlexIndexedMeshDefinition::AddAttachmentPoints(ParticleStructure* structure) const {
    if (!structure) return;
    // The skeleton's particles by name, made once: a file of many thousand
    // attachments hangs them in linear time.
    ParticleNameIndex names(skeletonRoot ? structure : nullptr, false);
    // The global matrices of the bones points hang from, each worked out
    // once: many points under a deep bone chain cost no walk per point.
    GlobalMatrixCache globals;
    for (const AttachmentRecord& record : attachments) {
        const char* text = record.name.c_str();
        if (text[0] != 'a' && text[0] != 'A') continue;
        Quaternion q = FromMatrix(record.orientation);
        PString first, second;
        AttachmentPoint::GetSubNames(text, first, second);
        auto* point = new AttachmentPoint(first, second);
        if (!skeletonRoot) {
            structure->AddAttachmentPoint(point, false);
            point->SetPosition(record.position);
            point->SetOrientation(q);
        } else if (structure->AddAttachmentPoint(point, names)) {
            Vector3 position = record.position;
            point->GlobalToLocal(position, q, globals.Get(point->GetParent()));
            point->SetPosition(position);
            point->SetOrientation(q);
        } else {
            point->SetPosition(record.position);
            point->SetOrientation(q);
            structure->Add(point);
            names.Add(point);
        }
    }
}

bool VorlexIndexedMeshDefinition::GetTriangle(uint32_t identifier, Vector3 corners[3]) const {
    const GeometryChunk* c = GetChunk(identifier / 65536);
    const uint32_t k = identifier % 65536;
    uint32_t stride = 0;
    const uint8_t* positions = c ? c->GetItemArray(kItemPosition, stride) : nullptr;
    const uint16_t* indices = c ? c->GetIndexArray() : nullptr;
    if (!positions || !indices || k + 3 > c->GetIndexCount()) return false;
    for (int j = 0; j < 3; ++j) {
        const uint16_t i = indices[k + j];
        if (i >= c->GetVertexCount()) return false;
        std::memcpy(&corners[j], positions + std::size_t(i) * stride, 12);
    }
    return true;
}
