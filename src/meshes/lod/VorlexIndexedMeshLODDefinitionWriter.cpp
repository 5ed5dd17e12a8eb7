// Writing a level-of-detail mesh as an .lm file (the layout is described in
// VorlexIndexedMeshLODDefinition.h). Each chunk writer writes its tag, a
// size placeholder and its version, then its fields, then fills the size in.
#include <algorithm>
#include <cstring>
#include <map>

#include "engine/geometry/GeometryChunk.h"
#include "engine/geometry/VertexItem.h"
#include "engine/math/Rotation.h"
#include "engine/scene/ParticleBone.h"
#include "meshes/definitions/MeshResult.h"
#include "meshes/lod/VorlexIndexedMeshLODDefinition.h"

using namespace Vek;

namespace {

// Opens a chunk: tag, size placeholder, version; returns the size mark.
int64_t BeginChunk(File& out, const char* tag, uint32_t version) {
    MeshFileSupport::WriteTag(out, tag);
    const int64_t mark = MeshFileSupport::MarkSizePos(out);
    MeshFileSupport::WriteU32(out, version);
    return mark;
}

void WriteFloats(File& out, const float* values, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k) MeshFileSupport::WriteFloat(out, values[k]);
}

// Writes n values of `item` per vertex (zeros where the chunk lacks it).
void WriteItem(File& out, GeometryChunk& chunk, int item, uint32_t floats) {
    GeometryChunk::ItemArray a = chunk.GetItemArray(item);
    for (uint32_t v = 0; v < chunk.GetVertexCount(); ++v)
        for (uint32_t k = 0; k < floats; ++k) {
            float value = 0.0f;
            if (a.pointer) std::memcpy(&value, a.pointer + std::size_t(v) * a.stride + 4 * k, 4);
            MeshFileSupport::WriteFloat(out, value);
        }
}

}  // namespace

uint32_t VorlexIndexedMeshLODDefinition::WriteLOD(File& out) {
    if (!levels || levels->empty()) return RES_UNKNOWN;
    const int64_t envelope = WriteVIRFHeader(out, "LODM");
    WriteInfo(out);
    std::vector<Material*> list;
    WriteMaterials(out, list);
    if (!boneTable.empty())
        WriteBoneTable(out);
    else if (skeletonRoot)
        WriteRigidBones(out);
    if (!attachments.empty()) WriteAttachments(out);
    for (uint32_t i = 0; i < levels->size(); ++i) WriteMesh(out, i, list);
    WriteSizeAtMark(out, envelope);
    return RES_OK;
}

void VorlexIndexedMeshLODDefinition::WriteInfo(File& out) const {
    const int64_t mark = BeginChunk(out, "INFO", 100);
    const float values[7] = {infoVector.x, infoVector.y, infoVector.z, orientation.x,
                             orientation.y, orientation.z, orientation.w};
    WriteFloats(out, values, 7);
    WriteU32(out, GetLevelCount());
    WriteU32(out, calcPoint);
    const float cutOffs[5] = {offset, multiplier, animationCutOff, renderCutOff, attachmentCutOff};
    WriteFloats(out, cutOffs, 5);
    WriteU32(out, namedLevels ? static_cast<uint32_t>(namedLevels->size()) : 0);
    if (namedLevels)
        for (const NamedLevel& n : *namedLevels) {
            WriteU32(out, n.level);
            WritePaddedString(out, n.name.c_str());
            const uint8_t animated = n.animated ? 1 : 0;
            out.Write(&animated, 1);
        }
    WriteSizeAtMark(out, mark);
}

void VorlexIndexedMeshLODDefinition::WriteMaterials(File& out, std::vector<Material*>& list) const {
    // The distinct materials of all levels, first appearance first.
    list.clear();
    for (const LODLevel& level : *levels)
        for (uint32_t c = 0; c < level.chunkCount; ++c) {
            Material* m = level.GetMaterial(c);
            if (m && std::find(list.begin(), list.end(), m) == list.end()) list.push_back(m);
        }
    const int64_t mark = BeginChunk(out, "MATT", 100);
    WriteU32(out, static_cast<uint32_t>(list.size()));
    for (const Material* m : list) WriteMaterial(out, *m);
    WriteSizeAtMark(out, mark);
}

void VorlexIndexedMeshLODDefinition::WriteMaterial(File& out, const Material& material) const {
    const int64_t mark = BeginChunk(out, "MATL", 103);
    // The stored name is what follows the decoration "<database>*<folder>*".
    const std::string& requested = material.GetRequestName();
    const std::size_t star = requested.find_last_of('*');
    WritePaddedString(out, star == std::string::npos ? requested.c_str() : requested.c_str() + star + 1);
    WriteU32(out, static_cast<uint32_t>(material.GetPropertyCount()));
    for (std::size_t p = 0; p < material.GetPropertyCount(); ++p) {
        WritePaddedString(out, material.GetProperty(p)->first.c_str());
        WritePaddedString(out, material.GetProperty(p)->second.c_str());
    }
    WriteU32(out, material.GetFlags() & 1u);
    WriteFloat(out, material.GetScalar());
    const DisplayMaterial& d = material.GetDisplayMaterial();
    const DisplayColor* colours[4] = {&d.ambient, &d.diffuse, &d.specular, &d.emissive};
    for (int k = 0; k < 4; ++k) {
        const float scale = k == 3 ? 2.0f : 1.0f;
        const float rgb[3] = {colours[k]->r * scale, colours[k]->g * scale, colours[k]->b * scale};
        WriteFloats(out, rgb, 3);
    }
    WriteFloat(out, d.power);
    const std::vector<Material::TextureDefinition>& textures = material.GetTextureDefinitions();
    WriteU32(out, static_cast<uint32_t>(textures.size()));
    for (const Material::TextureDefinition& t : textures) {
        WriteU32(out, static_cast<uint32_t>(t.slot));
        const std::size_t slash = t.name.find_last_of("/\\");
        WritePaddedString(out, slash == std::string::npos ? t.name.c_str() : t.name.c_str() + slash + 1);
        WriteFloat(out, t.amount);
    }
    WriteSizeAtMark(out, mark);
}

void VorlexIndexedMeshLODDefinition::WriteBoneTable(File& out) const {
    const int64_t mark = BeginChunk(out, "BONT", 100);
    WriteU32(out, static_cast<uint32_t>(boneTable.size()));
    for (const LODBone& bone : boneTable) {
        WritePaddedString(out, bone.name.c_str());
        WritePaddedString(out, bone.parentName.c_str());
        const float position[3] = {bone.position.x, bone.position.y, bone.position.z};
        WriteFloats(out, position, 3);
        WriteFloats(out, bone.orientation, 9);
    }
    WriteSizeAtMark(out, mark);
}

void VorlexIndexedMeshLODDefinition::WriteRigidBones(File& out) const {
    // Depth-first from the root, each parent before its children; a
    // particle that is not a bone ends its branch. The count is that of the
    // records written, so that the reader finds every one.
    std::vector<std::pair<const Particle*, const Particle*>> order;  // bone, parent bone
    std::vector<std::pair<const Particle*, const Particle*>> stack{{skeletonRoot, nullptr}};
    while (!stack.empty()) {
        auto [p, parent] = stack.back();
        stack.pop_back();
        if (p->GetID() != ParticleBone::kID) continue;
        order.emplace_back(p, parent);
        std::vector<const Particle*> children;
        for (const Particle* c = p->GetFirstChild(); c; c = c->GetNextSibling()) children.push_back(c);
        for (auto it = children.rbegin(); it != children.rend(); ++it) stack.emplace_back(*it, p);
    }
    const int64_t mark = BeginChunk(out, "RBOT", 100);
    WriteU32(out, static_cast<uint32_t>(order.size()));
    for (const auto& [bone, parent] : order) {
        WritePaddedString(out, bone->GetName().c_str());
        WritePaddedString(out, parent ? parent->GetName().c_str() : "");
        const Vector3& p = bone->GetPosition();
        const float position[3] = {p.x, p.y, p.z};
        WriteFloats(out, position, 3);
        float matrix[9];
        QuaternionToMatrix(bone->GetOrientation(), matrix);
        WriteFloats(out, matrix, 9);
    }
    WriteSizeAtMark(out, mark);
}

void VorlexIndexedMeshLODDefinition::WriteAttachments(File& out) const {
    const int64_t mark = BeginChunk(out, "ATCH", 100);
    WriteU32(out, static_cast<uint32_t>(attachments.size()));
    for (const AttachmentRecord& a : attachments) {
        std::string text = a.name.c_str();
        if (std::find(culledAttachments.begin(), culledAttachments.end(), a.name) != culledAttachments.end())
            text += ":Cull";
        WritePaddedString(out, text.c_str());
        WriteFloats(out, a.orientation, 9);
        const float position[3] = {a.position.x, a.position.y, a.position.z};
        WriteFloats(out, position, 3);
    }
    WriteSizeAtMark(out, mark);
}

void VorlexIndexedMeshLODDefinition::WriteMesh(File& out, uint32_t i, const std::vector<Material*>& list) const {
    const LODLevel& level = (*levels)[i];
    uint32_t influences = 0, bones = 0;
    LevelStatistics(i, influences, bones);
    const int64_t mark = BeginChunk(out, "MESH", 100);
    WriteU32(out, level.chunkCount);
    WriteU32(out, influences);
    WriteU32(out, bones);
    WriteFloat(out, i < switchDistances.size() ? switchDistances[i] : -1.0f);
    if (boneCount != 0 && !boneTable.empty()) WriteLevelInfluences(out, i);
    for (uint32_t c = 0; c < level.chunkCount; ++c) WriteLevelChunk(out, i, c, list);
    WriteSizeAtMark(out, mark);
}

void VorlexIndexedMeshLODDefinition::WriteLevelInfluences(File& out, uint32_t i) const {
    const int64_t mark = BeginChunk(out, "LODB", 100);
    for (const LODBone& bone : boneTable) {
        const LODBoneInfluences* set = GetLevelInfluences(bone, i);
        WriteU32(out, set ? set->GetCount() : 0);
        if (!set) continue;
        for (const LODChunkInfluence& entry : set->entries) {
            WriteU32(out, entry.chunk);
            WriteU32(out, entry.GetWeightCount());
            for (const LODVertexWeight& w : entry.weights) {
                WriteU32(out, w.vertex);
                WriteFloat(out, w.weight);
                const float position[3] = {w.offset.x, w.offset.y, w.offset.z};
                WriteFloats(out, position, 3);
            }
        }
    }
    WriteSizeAtMark(out, mark);
}

void VorlexIndexedMeshLODDefinition::WriteLevelChunk(File& out, uint32_t i, uint32_t c,
                                                     const std::vector<Material*>& list) const {
    const LODLevel& level = (*levels)[i];
    const int64_t mark = BeginChunk(out, "LCHK", 100);
    WriteU32(out, c);
    const auto at = std::find(list.begin(), list.end(), level.GetMaterial(c));
    WriteU32(out, static_cast<uint32_t>(at - list.begin()));
    WriteGeometry(out, i, c);
    if (GeometryChunk* chunk = level.GetChunk(c); chunk && chunk->GetFaceNeighborArray())
        WriteFaceNeighbours(out, *chunk);
    WriteSizeAtMark(out, mark);
}

void VorlexIndexedMeshLODDefinition::WriteGeometry(File& out, uint32_t i, uint32_t c) const {
    const LODLevel& level = (*levels)[i];
    GeometryChunk& chunk = *level.GetChunk(c);
    const bool extra = chunk.GetItemOffset(kItemExtraVector) >= 0;
    const uint32_t type = chunk.GetTypeWord();
    const uint32_t faceNormals = (type & 0x3) ? 0 : chunk.GetFaceNormalCount();
    const int64_t mark = BeginChunk(out, "GEOM", 201);
    WriteU32(out, type);
    WriteU32(out, extra ? 1u : 0u);
    // The chunk does not keep the value it was created with.
    WriteFloat(out, 0.0f);
    WriteU32(out, chunk.GetVertexCount());
    WriteU32(out, chunk.GetFaceCount());
    WriteU32(out, chunk.GetIndexCount());
    WriteU32(out, faceNormals);
    WriteU32(out, ChunkWeightsPerVertex(i, c));
    WritePaddedString(out, c < level.chunkBoneNames.size() ? level.chunkBoneNames[c].c_str() : "");
    GeometryChunk::ItemArray positions = chunk.GetItemArray(kItemPosition);
    GeometryChunk::ItemArray uvs = chunk.GetItemArray(kItemTexCoord0);
    for (uint32_t v = 0; v < chunk.GetVertexCount(); ++v) {
        float record[5] = {};
        if (positions.pointer) std::memcpy(record, positions.pointer + std::size_t(v) * positions.stride, 12);
        if (uvs.pointer) std::memcpy(record + 3, uvs.pointer + std::size_t(v) * uvs.stride, 8);
        WriteFloats(out, record, 5);
    }
    const uint16_t* indices = chunk.GetIndexArray();
    for (uint32_t k = 0; k < chunk.GetIndexCount(); ++k) {
        const uint8_t bytes[2] = {static_cast<uint8_t>(indices[k]), static_cast<uint8_t>(indices[k] >> 8)};
        out.Write(bytes, 2);
    }
    WriteItem(out, chunk, kItemNormal, 3);
    if (faceNormals) WriteFloats(out, chunk.GetFaceNormalArray(), 3 * std::size_t(faceNormals));
    if (extra) WriteItem(out, chunk, kItemExtraVector, 3);
    WriteSizeAtMark(out, mark);
}

void VorlexIndexedMeshLODDefinition::WriteFaceNeighbours(File& out, const GeometryChunk& chunk) const {
    const int64_t mark = BeginChunk(out, "NINF", 100);
    const uint32_t* neighbours = chunk.GetFaceNeighborArray();
    for (std::size_t k = 0; k < 3 * std::size_t(chunk.GetFaceCount()); ++k) WriteU32(out, neighbours[k]);
    WriteSizeAtMark(out, mark);
}

void VorlexIndexedMeshLODDefinition::LevelStatistics(uint32_t i, uint32_t& influencesPerVertex,
                                                     uint32_t& bonesPerChunk) const {
    influencesPerVertex = bonesPerChunk = 0;
    const LODLevel* level = GetLevel(i);
    if (!level || boneTable.empty() || !GetLevelInfluences(boneTable.front(), i)) return;
    for (uint32_t c = 0; c < level->chunkCount; ++c) {
        influencesPerVertex = std::max(influencesPerVertex, ChunkWeightsPerVertex(i, c));
        uint32_t bones = 0;
        for (const LODBone& bone : boneTable)
            if (const LODBoneInfluences* set = GetLevelInfluences(bone, i))
                for (const LODChunkInfluence& entry : set->entries) bones += entry.chunk == c;
        bonesPerChunk = std::max(bonesPerChunk, bones);
    }
}

uint32_t VorlexIndexedMeshLODDefinition::ChunkWeightsPerVertex(uint32_t i, uint32_t c) const {
    if (boneTable.empty() || !GetLevelInfluences(boneTable.front(), i)) return 0;
    std::map<uint32_t, uint32_t> perVertex;
    uint32_t largest = 0;
    for (const LODBone& bone : boneTable)
        if (const LODBoneInfluences* set = GetLevelInfluences(bone, i))
            for (const LODChunkInfluence& entry : set->entries)
                if (entry.chunk == c)
                    for (const LODVertexWeight& w : entry.weights) largest = std::max(largest, ++perVertex[w.vertex]);
    return largest;
}
