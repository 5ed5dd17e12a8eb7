#include "meshes/lod/VorlexIndexedMeshLODDefinition.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <unordered_map>
#include <utility>

#include "engine/Resource.h"
#include "engine/ResourceDatabase.h"
#include "engine/display/Display.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/geometry/StandardChunkHint.h"
#include "engine/geometry/VertexItem.h"
#include "engine/materials/MaterialManager.h"
#include "engine/scene/ParticleBone.h"
#include "engine/scene/ParticleVisibleBoundingBox.h"
#include "meshes/definitions/MeshChunkReader.h"
#include "meshes/definitions/MeshResult.h"
#include "meshes/definitions/SkeletonFromBones.h"
#include "meshes/lod/FirstEqualMaterials.h"

using namespace Vek;
using MeshChunk::kMinChunk;
using MeshChunk::kMinPaddedString;
using MeshChunk::LoadVector3;
using MeshChunk::ReadFloat;
using MeshChunk::ReadFloats;
using MeshChunk::ReadU32;

namespace {

// Smallest sizes of the records a count announces, for the checks against
// the bytes that remain.
constexpr uint64_t kMinNamedLevel = 4 + kMinPaddedString + 1;
constexpr uint64_t kMinBoneRecord = 2 * kMinPaddedString + 48;
constexpr uint64_t kMinMesh = kMinChunk + 16;
constexpr uint64_t kMinLevelChunk = kMinChunk + 8 + kMinChunk;
constexpr float kNamedLevelDistance = -1.0f;

uint32_t Ended(const MemoryFile& source, const MeshChunk::Header& h) {
    return source.GetPosition() == h.end ? RES_OK : RES_FILE_FORMAT_ERROR;
}

}  // namespace

VorlexIndexedMeshLODDefinition::VorlexIndexedMeshLODDefinition(const MeshLoadOptions& options)
    : VorlexIndexedMeshDefinition(options) {}

VorlexIndexedMeshLODDefinition::~VorlexIndexedMeshLODDefinition() {
    subDefinitions.clear();
    boneTable.clear();
    levels.reset();
    namedLevels.reset();
    culledAttachments.clear();
    switchDistances.clear();
}

int VorlexIndexedMeshLODDefinition::FindNamedLevel(const PString& levelName) const {
    if (!namedLevels) return -1;
    for (const NamedLevel& n : *namedLevels)
        if (n.name == levelName) return static_cast<int>(n.level);
    return -1;
}

uint32_t VorlexIndexedMeshLODDefinition::Read(Display* display, MaterialManager* manager, Resource* resource,
                                              const char* fileName, uint32_t vertexColour) {
    hardwareSkinningCapable = display && display->HasCapability(kCapabilityHardwareSkinning);
    if (!file.IsOpen() && OpenFile(resource, fileName) != RES_OK) return RES_FILE_OPEN_ERROR;
    MemoryFile& source = file;

    if (!source.ReadTagIs("VIRF")) return RES_FILE_FORMAT_ERROR;
    uint32_t size = 0;
    if (!ReadU32(source, size)) return RES_FILE_FORMAT_ERROR;
    m_fileEnd = source.GetPosition() + size;
    if (m_fileEnd < source.GetLength()) {
        // Bytes after the declared end are never read.
        std::vector<uint8_t> kept(source.GetData(), source.GetData() + m_fileEnd);
        const std::size_t position = source.GetPosition();
        source.Open(kept.data(), kept.size());
        source.SetPosition(position);
    }
    if (!source.ReadTagIs("LODM")) return RES_FILE_FORMAT_ERROR;

    uint32_t result = ReadINFO(source);
    if (result == RES_OK) result = ReadMaterials(manager, resource, source);
    if (result == RES_OK && source.PeekTag("BONT")) result = ReadBoneTable(source);
    if (result == RES_OK && source.PeekTag("RBOT")) result = ReadRigidBones(source);
    if (result == RES_OK) result = ReadATCH(source);
    if (result != RES_OK) return result;

    levels = std::make_shared<LODLevelBlock>();
    influenceLevels.clear();
    if (!source.Holds(levelCount, kMinMesh)) return RES_FILE_FORMAT_ERROR;
    levels->reserve(levelCount);
    for (uint32_t i = 0; i < levelCount; ++i) {
        levels->emplace_back();
        if ((result = ReadMesh(resource, source, i, vertexColour)) != RES_OK) return result;
    }
    if (switchDistances.empty()) return RES_FILE_FORMAT_ERROR;
    for (LODLevel& level : *levels) {
        level.vertexTotal = level.faceTotal = 0;
        for (uint32_t c = 0; c < level.chunkCount; ++c) {
            level.vertexTotal += level.GetChunk(c)->GetVertexCount();
            level.faceTotal += level.GetChunk(c)->GetFaceCount();
        }
    }
    if (source.GetPosition() != m_fileEnd) return RES_FILE_FORMAT_ERROR;

    std::string path = fileName ? fileName : "";
    const std::size_t slash = path.find_last_of("/\\");
    name = (slash == std::string::npos ? path : path.substr(slash + 1)).c_str();
    BuildSkeletonFromTable();
    BuildBonePalettes();
    // Bounds and the oriented box are those of the last distance level,
    // which becomes the current one; the texture detail stays 0.
    MakeLevelCurrent(GetLastDistanceLevel());
    ComputeBounds();
    ComputeOrientedBox();
    textureDetail = 0.0f;
    ProcessCulledAttachments();
    file.Close();
    return RES_OK;
}

uint32_t VorlexIndexedMeshLODDefinition::ReadINFO(MemoryFile& source) {
    MeshChunk::Header h;
    uint32_t result = MeshChunk::ReadRequired(source, "INFO", {100}, h);
    if (result != RES_OK) return result;
    float values[7];
    float cutOffs[5];
    uint32_t named = 0;
    if (!ReadFloats(source, values, 7) || !ReadU32(source, levelCount) || !ReadU32(source, calcPoint) ||
        !ReadFloats(source, cutOffs, 5) || !ReadU32(source, named) || !source.Holds(named, kMinNamedLevel))
        return RES_FILE_FORMAT_ERROR;
    infoVector = {values[0], values[1], values[2]};
    orientation = {values[3], values[4], values[5], values[6]};
    offset = cutOffs[0];
    multiplier = cutOffs[1];
    animationCutOff = cutOffs[2];
    renderCutOff = cutOffs[3];
    attachmentCutOff = cutOffs[4];
    namedLevels = std::make_shared<NamedLevelBlock>();
    namedLevels->reserve(named);
    m_firstNameOfLevel.clear();
    for (uint32_t n = 0; n < named; ++n) {
        NamedLevel record;
        uint8_t animated = 0;
        if (!ReadU32(source, record.level) || !ReadPaddedString(source, record.name) || !source.Read(&animated, 1))
            return RES_FILE_FORMAT_ERROR;
        // A name must reach a level of the file.
        if (record.level >= levelCount) return RES_FILE_FORMAT_ERROR;
        record.animated = animated != 0;
        m_firstNameOfLevel.try_emplace(record.level, n);
        namedLevels->push_back(record);
    }
    return Ended(source, h);
}

uint32_t VorlexIndexedMeshLODDefinition::ReadMaterials(MaterialManager* manager, Resource* resource,
                                                       MemoryFile& source) {
    MeshChunk::Header h;
    uint32_t result = MeshChunk::ReadRequired(source, "MATT", {100}, h);
    if (result != RES_OK) return result;
    uint32_t count = 0;
    if (!ReadU32(source, count) || !source.Holds(count, kMinChunk)) return RES_FILE_FORMAT_ERROR;
    materials.clear();
    materials.reserve(count);
    for (uint32_t m = 0; m < count; ++m)
        if ((result = ReadMaterial(manager, resource, source)) != RES_OK) return result;
    return Ended(source, h);
}

uint32_t VorlexIndexedMeshLODDefinition::ReadMaterial(MaterialManager* manager, Resource* resource,
                                                      MemoryFile& source) {
    MeshChunk::Header h;
    uint32_t result = MeshChunk::ReadRequired(source, "MATL", {103}, h);
    if (result != RES_OK) return result;
    MaterialDescription d;
    PString stored;
    if (!ReadPaddedString(source, stored) || !ReadMaterialProperties(source, d)) return RES_FILE_FORMAT_ERROR;
    uint32_t flag = 0;
    float colours[12];
    uint32_t textures = 0;
    if (!ReadU32(source, flag) || !ReadFloat(source, d.scalar) || !ReadFloats(source, colours, 12) ||
        !ReadFloat(source, d.displayMaterial.power) || !ReadU32(source, textures) ||
        !source.Holds(textures, 8 + kMinPaddedString))
        return RES_FILE_FORMAT_ERROR;
    d.flag = (flag & 1u) != 0;
    DisplayColor* targets[4] = {&d.displayMaterial.ambient, &d.displayMaterial.diffuse, &d.displayMaterial.specular,
                                &d.displayMaterial.emissive};
    for (int k = 0; k < 4; ++k) {
        const float scale = k == 3 ? 0.5f : 1.0f;  // the fourth colour is stored doubled
        targets[k]->r = colours[3 * k] * scale;
        targets[k]->g = colours[3 * k + 1] * scale;
        targets[k]->b = colours[3 * k + 2] * scale;
    }
    for (uint32_t t = 0; t < textures; ++t) {
        uint32_t slot = 0;
        PString textureName;
        float value = 0.0f;
        if (!ReadU32(source, slot) || !ReadPaddedString(source, textureName) || !ReadFloat(source, value))
            return RES_FILE_FORMAT_ERROR;
        d.textures.push_back({static_cast<int>(slot), ResolveTextureName(resource, textureName.c_str()), value});
    }
    d.textureCount = textures;
    if ((result = Ended(source, h)) != RES_OK) return result;
    d.name = DecorateMaterialName(resource, stored.c_str()).c_str();
    // Appended to the material list; its textures are set at load completion.
    return MakeMaterial(manager, resource, static_cast<uint32_t>(materials.size()), d);
}

uint32_t VorlexIndexedMeshLODDefinition::ReadBoneTable(MemoryFile& source) {
    // Fewer than 4 bytes cannot hold a tag: nothing to read.
    if (source.Remaining() < 4) return RES_OK;
    MeshChunk::Header h;
    uint32_t result = MeshChunk::ReadRequired(source, "BONT", {100}, h);
    if (result != RES_OK) return result;
    uint32_t count = 0;
    if (!ReadU32(source, count) || !source.Holds(count, kMinBoneRecord)) return RES_FILE_FORMAT_ERROR;
    boneTable.clear();
    boneTable.reserve(count);
    for (uint32_t b = 0; b < count; ++b) {
        LODBone bone;
        AnsiString boneName, parentName;
        float values[12];
        if (!ReadPaddedString(source, boneName) || !ReadPaddedString(source, parentName) ||
            !ReadFloats(source, values, 12))
            return RES_FILE_FORMAT_ERROR;
        bone.name = boneName.c_str();
        bone.parentName = parentName.c_str();
        bone.position = {values[0], values[1], values[2]};
        std::copy(values + 3, values + 12, bone.orientation);
        boneTable.push_back(std::move(bone));
    }
    boneCount = count;
    return Ended(source, h);
}

uint32_t VorlexIndexedMeshLODDefinition::ReadRigidBones(MemoryFile& source) {
    MeshChunk::Header h;
    uint32_t result = MeshChunk::ReadRequired(source, "RBOT", {100}, h);
    if (result != RES_OK) return result;
    uint32_t count = 0;
    if (!ReadU32(source, count) || !source.Holds(count, kMinBoneRecord)) return RES_FILE_FORMAT_ERROR;
    // The bones below the root made here, by name, so that finding a parent
    // does not search the tree for each of many thousand bones. A name that
    // several bones hold is searched for as before (the first in pre-order).
    const bool ownTree = !skeletonRoot;
    std::unordered_map<std::string, std::pair<Particle*, uint32_t>> byName;  // a bone, bones so named
    for (uint32_t b = 0; b < count; ++b) {
        PString boneName, parentName;
        float values[12];
        if (!ReadPaddedString(source, boneName) || !ReadPaddedString(source, parentName) ||
            !ReadFloats(source, values, 12))
            return RES_FILE_FORMAT_ERROR;
        if (!parentName.IsEmpty() && !skeletonRoot) return RES_FILE_FORMAT_ERROR;
        ParticleBone* bone = MakeSkeletonBone(boneName.c_str(), {values[0], values[1], values[2]}, values + 3);
        if (!skeletonRoot) {
            skeletonRoot = bone;
            continue;
        }
        Particle* parent = nullptr;
        if (!parentName.IsEmpty()) {
            const auto it = byName.find(std::string(parentName.c_str(), parentName.Length()));
            if (!ownTree || (it != byName.end() && it->second.second > 1))
                parent = skeletonRoot->FindByName(parentName);
            else if (it != byName.end())
                parent = it->second.first;
        }
        if (!parent) parent = skeletonRoot;
        if (!parent->Add(bone)) {
            delete bone;
            continue;
        }
        const PString& made = bone->GetName();
        auto& named = byName[std::string(made.c_str(), made.Length())];
        if (named.second++ == 0) named.first = bone;
    }
    return Ended(source, h);
}

uint32_t VorlexIndexedMeshLODDefinition::ReadMesh(Resource* resource, MemoryFile& source, uint32_t i,
                                                  uint32_t vertexColour) {
    MeshChunk::Header h;
    uint32_t result = MeshChunk::ReadRequired(source, "MESH", {100}, h);
    if (result != RES_OK) return result;
    LODLevel& level = (*levels)[i];
    float distance = 0.0f;
    if (!ReadU32(source, level.chunkCount) || !ReadU32(source, maxInfluencesPerVertex) ||
        !ReadU32(source, maxBonesPerChunk) || !ReadFloat(source, distance) ||
        !source.Holds(level.chunkCount, kMinLevelChunk))
        return RES_FILE_FORMAT_ERROR;
    level.hardwareSkinned = maxInfluencesPerVertex != 0 && maxInfluencesPerVertex <= influenceLimit &&
                            maxBonesPerChunk <= boneLimit && hardwareSkinningCapable &&
                            !loadOptions.SoftwareAnimation.On();
    if (distance != kNamedLevelDistance) {
        // Equal distances are accepted; a smaller one, or a distance after a
        // named level, is not.
        if (!switchDistances.empty() && distance < switchDistances.back()) return RES_FILE_FORMAT_ERROR;
        switchDistances.push_back(distance);
        if (switchDistances.size() != std::size_t(i) + 1) return RES_FILE_FORMAT_ERROR;
    } else if (FindNamedIndex(i) < 0) {
        return RES_FILE_FORMAT_ERROR;
    }
    const uint32_t announced = level.chunkCount;
    m_levelChunks.assign(announced, {});
    m_levelMaterials.assign(announced, {});
    level.chunkBoneNames.reserve(announced);

    // A level without "LODB" gives the bones no set.
    if (!boneTable.empty() && source.PeekTag("LODB") && (result = ReadLevelInfluences(source, i)) != RES_OK)
        return result;
    // An empty chunk goes and the next one is read into its position: the
    // chunks kept so far are never moved, so many empty chunks cost no more
    // than as many kept ones.
    // The weights name chunks by their place in the file; `position` gives
    // each its place in the level, or kDropped.
    constexpr uint32_t kDropped = std::numeric_limits<uint32_t>::max();
    std::vector<uint32_t> position(announced, kDropped);
    uint32_t kept = 0;
    for (uint32_t read = 0; read < announced; ++read) {
        if ((result = ReadLevelChunk(resource, source, i, kept, vertexColour)) != RES_OK) return result;
        GeometryChunk* chunk = m_levelChunks[kept].Get();
        if (chunk->GetVertexCount() == 0 || chunk->GetFaceCount() == 0 || chunk->GetIndexCount() == 0) {
            m_levelChunks[kept].Reset();
            m_levelMaterials[kept].Reset();
            level.chunkBoneNames.pop_back();
            continue;
        }
        position[read] = kept++;
    }
    level.chunkCount = kept;
    m_levelChunks.resize(level.chunkCount);
    m_levelMaterials.resize(level.chunkCount);
    level.chunks.Take(m_levelChunks);
    level.materials.Take(m_levelMaterials);
    m_levelChunks.clear();
    m_levelMaterials.clear();

    // The weights follow their chunks: those of a dropped chunk go, the
    // others take their chunk's place in the level (what loads then writes
    // back as it reads). Every weight must name a vertex of its chunk.
    const int set = FindInfluenceSet(i);
    for (LODBone& bone : boneTable) {
        if (set < 0 || bone.influences.size() <= static_cast<std::size_t>(set)) continue;
        std::vector<LODChunkInfluence>& entries = bone.influences[static_cast<std::size_t>(set)].entries;
        std::size_t out = 0;
        for (std::size_t e = 0; e < entries.size(); ++e) {
            LODChunkInfluence& entry = entries[e];
            if (entry.chunk >= announced) return RES_FILE_FORMAT_ERROR;
            if (position[entry.chunk] == kDropped) continue;
            entry.chunk = position[entry.chunk];
            const GeometryChunk* chunk = level.GetChunk(entry.chunk);
            for (const LODVertexWeight& w : entry.weights)
                if (w.vertex >= chunk->GetVertexCount()) return RES_FILE_FORMAT_ERROR;
            if (out != e) entries[out] = std::move(entry);
            ++out;
        }
        entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(out), entries.end());
    }
    return Ended(source, h);
}

int VorlexIndexedMeshLODDefinition::FindNamedIndex(uint32_t level) const {
    const auto it = m_firstNameOfLevel.find(level);
    return namedLevels && it != m_firstNameOfLevel.end() ? static_cast<int>(it->second) : -1;
}

int VorlexIndexedMeshLODDefinition::FindInfluenceSet(uint32_t level) const {
    const auto it = std::lower_bound(influenceLevels.begin(), influenceLevels.end(), level);
    return it != influenceLevels.end() && *it == level ? static_cast<int>(it - influenceLevels.begin()) : -1;
}

const LODBoneInfluences* VorlexIndexedMeshLODDefinition::GetLevelInfluences(const LODBone& bone,
                                                                            uint32_t level) const {
    const int set = FindInfluenceSet(level);
    return set >= 0 && static_cast<std::size_t>(set) < bone.influences.size()
               ? &bone.influences[static_cast<std::size_t>(set)]
               : nullptr;
}

uint32_t VorlexIndexedMeshLODDefinition::ReadLevelInfluences(MemoryFile& source, uint32_t level) {
    MeshChunk::Header h;
    uint32_t result = MeshChunk::ReadRequired(source, "LODB", {100}, h);
    if (result != RES_OK) return result;
    // Every later "LODB" takes at least an entry count per bone: the sets a
    // bone can still receive are bounded by the bytes left, and room is
    // made for no more than those (in steps of 128 otherwise), so a file of
    // many bones cannot reserve far more memory than it is long.
    const std::size_t later = boneTable.empty() ? 0 : source.Remaining() / (4 * boneTable.size());
    for (LODBone& bone : boneTable) {
        LODBoneInfluences set;
        uint32_t entries = 0;
        if (!ReadU32(source, entries) || !source.Holds(entries, 8)) return RES_FILE_FORMAT_ERROR;
        for (uint32_t e = 0; e < entries; ++e) {
            LODChunkInfluence entry;
            if (!MeshChunk::ReadWeightEntry(source, entry)) return RES_FILE_FORMAT_ERROR;
            if (!entry.weights.empty()) set.entries.push_back(std::move(entry));
        }
        if (bone.influences.size() == bone.influences.capacity())
            bone.influences.reserve(
                std::min<std::size_t>((bone.influences.size() / 128 + 1) * 128, bone.influences.size() + 1 + later));
        bone.influences.push_back(std::move(set));
    }
    influenceLevels.push_back(level);
    return Ended(source, h);
}

uint32_t VorlexIndexedMeshLODDefinition::ReadLevelChunk(Resource* resource, MemoryFile& source, uint32_t i,
                                                        uint32_t c, uint32_t vertexColour) {
    MeshChunk::Header h;
    uint32_t result = MeshChunk::ReadRequired(source, "LCHK", {100}, h);
    if (result != RES_OK) return result;
    uint32_t unused = 0, material = 0;
    if (!ReadU32(source, unused) || !ReadU32(source, material) || material >= materials.size())
        return RES_FILE_FORMAT_ERROR;
    m_levelMaterials[c] = materials[material];
    if ((result = ReadGeometry(resource, source, i, c, vertexColour)) != RES_OK) return result;
    if (source.GetPosition() < h.end && (result = ReadFaceNeighbours(source, m_levelChunks[c].Get())) != RES_OK)
        return result;
    return Ended(source, h);
}

uint32_t VorlexIndexedMeshLODDefinition::ReadGeometry(Resource* resource, MemoryFile& source, uint32_t i,
                                                      uint32_t c, uint32_t vertexColour) {
    MeshChunk::Header h;
    if (!source.ReadTagIs("GEOM")) return RES_FILE_FORMAT_ERROR;
    uint32_t result = MeshChunk::ReadSizeAndVersion(source, 101, 201, h);
    if (result != RES_OK) return result;
    const uint32_t version = h.version;
    LODLevel& level = (*levels)[i];

    StandardChunkHint hint;
    StartHint(hint, resource);
    uint32_t primitive = 0, flags = 0, weightsPerVertex = 0;
    uint32_t counts[4];  // vertices, faces, indices, face normals
    if (!ReadU32(source, primitive) || (version > 200 && !ReadU32(source, flags)) ||
        !ReadFloat(source, hint.chunkValue))
        return RES_FILE_FORMAT_ERROR;
    for (uint32_t& n : counts)
        if (!ReadU32(source, n)) return RES_FILE_FORMAT_ERROR;
    const uint32_t vertexCount = counts[0], faceCount = counts[1], indexCount = counts[2], faceNormals = counts[3];
    PString boneName;
    if ((version > 101 && !ReadU32(source, weightsPerVertex)) ||
        (version >= 103 && !ReadPaddedString(source, boneName)))
        return RES_FILE_FORMAT_ERROR;
    const int primitiveType = PrimitiveTypeOfCode(primitive & GeometryChunk::kPrimitiveMask);
    if (primitiveType < 0) return RES_FILE_FORMAT_ERROR;
    if (!MeshChunk::FaceCountFits(primitive & GeometryChunk::kPrimitiveMask, faceCount, indexCount))
        return RES_FILE_FORMAT_ERROR;
    // The blocks the counts announce must all be there before anything is
    // allocated for them.
    const uint64_t perVertex = 20 + 12 + ((flags & 1) ? 12 : 0);
    if (!source.Holds(uint64_t(vertexCount) * perVertex + 2 * uint64_t(indexCount) + 12 * uint64_t(faceNormals), 1))
        return RES_FILE_FORMAT_ERROR;

    if (weightsPerVertex != 0) {
        hint.flags |= StandardChunkHint::kFlagSkinned;
        if (level.hardwareSkinned) {
            hint.influences = 4;
            hint.bones = boneLimit;
            if (loadOptions.HardwareAnimationFloatPrecision.On())
                hint.flags |= StandardChunkHint::kFlagFloatWeights;
            else
                hint.flags &= ~StandardChunkHint::kFlagFloatWeights;
        } else {
            hint.flags |= StandardChunkHint::kFlagSoftwareSkinning;
        }
    }
    level.chunkBoneNames.push_back(boneName);
    Material* material = m_levelMaterials[c].Get();
    GeometryChunk* created =
        material ? material->CreateGeometryChunk(vertexCount, faceCount, indexCount, faceNormals, primitiveType, &hint)
                 : nullptr;
    if (!created) return RES_FILE_FORMAT_ERROR;
    m_levelChunks[c].Reset(created);
    GeometryChunk* chunk = created;

    if (vertexCount) {
        GeometryChunk::ItemArray positions = chunk->GetItemArray(kItemPosition);
        if (!positions.pointer) return RES_FAIL_CHUNK_CREATE;
        GeometryChunk::ItemArray uvs = chunk->GetItemArray(kItemTexCoord0);
        GeometryChunk::ItemArray colours = chunk->GetItemArray(kItemDiffuse);
        const uint8_t* block = source.GetData() + source.GetPosition();
        for (uint32_t v = 0; v < vertexCount; ++v) {
            const uint8_t* r = block + 20 * std::size_t(v);
            const Vector3 p = LoadVector3(r);
            std::memcpy(positions.pointer + std::size_t(v) * positions.stride, &p, 12);
            if (uvs.pointer) {
                const float uv[2] = {MeshChunk::LoadFloat(r + 12), MeshChunk::LoadFloat(r + 16)};
                std::memcpy(uvs.pointer + std::size_t(v) * uvs.stride, uv, 8);
            }
            if (colours.pointer) std::memcpy(colours.pointer + std::size_t(v) * colours.stride, &vertexColour, 4);
        }
        source.Skip(20 * std::size_t(vertexCount));
        if (level.hardwareSkinned && weightsPerVertex)
            WriteDefaultSkinData(chunk, weightsPerVertex, (hint.flags & StandardChunkHint::kFlagFloatWeights) != 0);
    }
    const uint32_t indicesRead = ReadIndexBlock(source, chunk, indexCount, vertexCount);
    if (indicesRead != RES_OK) return indicesRead;
    ReadVectorBlock(source, chunk, kItemNormal, vertexCount);
    if (faceNormals) {
        float* out = chunk->GetFaceNormalArray();
        if (!out) return RES_FAIL_CHUNK_CREATE;
        if (!ReadFloats(source, out, 3 * std::size_t(faceNormals))) return RES_FILE_FORMAT_ERROR;
    }
    if (flags & 1) ReadVectorBlock(source, chunk, kItemExtraVector, vertexCount);
    return Ended(source, h);
}

uint32_t VorlexIndexedMeshLODDefinition::ReadFaceNeighbours(MemoryFile& source, GeometryChunk* chunk) {
    if (source.Remaining() < 4 || !source.PeekTag("NINF")) return RES_OK;
    return ReadNeighbours(source, chunk);
}

// ---- after reading ----

void VorlexIndexedMeshLODDefinition::BuildSkeletonFromTable() {
    if (boneCount == 0 || boneTable.empty()) return;
    if (ParticleBone* root = SkeletonFromBones(boneTable)) {
        delete skeletonRoot;
        skeletonRoot = root;
    }
}

void VorlexIndexedMeshLODDefinition::BuildBonePalettes() {
    if (!levels) return;
    for (uint32_t b = 0; b < boneTable.size(); ++b) {
        const LODBone& bone = boneTable[b];
        for (std::size_t k = 0; k < bone.influences.size() && k < influenceLevels.size(); ++k) {
            const LODLevel* level = GetLevel(influenceLevels[k]);
            if (!level) continue;
            for (const LODChunkInfluence& entry : bone.influences[k].entries)
                AddPaletteWeights(level->GetChunk(entry.chunk), b, entry);
        }
    }
}

void VorlexIndexedMeshLODDefinition::ProcessCulledAttachments() {
    static const char kCull[] = ":cull";
    culledAttachments.clear();
    for (AttachmentRecord& a : attachments) {
        std::string text = a.name.c_str();
        std::string lower = text;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
        const std::size_t at = lower.find(kCull);
        if (at == std::string::npos) continue;
        text.erase(at, sizeof kCull - 1);
        a.name = text.c_str();
        culledAttachments.push_back(a.name);
    }
}

void VorlexIndexedMeshLODDefinition::MakeLevelCurrent(uint32_t i) {
    const LODLevel* level = GetLevel(i);
    if (!level) return;
    chunkCount = level->chunkCount;
    vertexTotal = level->vertexTotal;
    faceTotal = level->faceTotal;
    hardwareSkinned = level->hardwareSkinned;
    chunks = level->chunks.GetItems() ? *level->chunks.GetItems() : std::vector<AutoReference<GeometryChunk>>();
    materials = level->materials.GetItems() ? *level->materials.GetItems() : std::vector<AutoReference<Material>>();
    chunkBoneNames = level->chunkBoneNames;
}

bool VorlexIndexedMeshLODDefinition::AddLevelInfluences(const std::vector<InfluenceDefinition>& records) {
    std::vector<const InfluenceDefinition*> matched;
    matched.reserve(boneTable.size());
    for (const LODBone& bone : boneTable) {
        const InfluenceDefinition* found = nullptr;
        for (const InfluenceDefinition& r : records)
            if (bone.name == r.name.c_str()) {
                found = &r;
                break;
            }
        if (!found) return false;
        matched.push_back(found);
    }
    for (std::size_t b = 0; b < boneTable.size(); ++b) {
        LODBone& bone = boneTable[b];
        if (bone.influences.size() == bone.influences.capacity())
            bone.influences.reserve((bone.influences.size() / 128 + 1) * 128);
        bone.influences.push_back({matched[b]->entries});
    }
    influenceLevels.push_back(GetLevelCount());
    return true;
}

void VorlexIndexedMeshLODDefinition::FinishLevelDefinitions() {
    for (auto& level : subDefinitions) level->LoadPendingTextures();
    subDefinitions.clear();
}

void VorlexIndexedMeshLODDefinition::ShareLevelMaterials() {
    if (!levels) return;
    // The first material of each kind over the levels before the current
    // one, in level and chunk order: a material's search ends at the first
    // equal one, which may be the material itself.
    FirstEqualMaterials firsts;
    for (std::size_t l = 0; l < levels->size(); ++l) {
        LODLevel& level = (*levels)[l];
        for (uint32_t j = 0; l > 0 && j < level.materials.Size(); ++j) {
            Material* own = level.GetMaterial(j);
            Material* first = own ? firsts.Find(own) : nullptr;
            if (!first || first == own) continue;
            AutoReference<Material> shared;
            shared.Share(first);
            level.materials.MakePrivate();
            level.materials.Set(j, std::move(shared));
        }
        for (uint32_t j = 0; j < level.materials.Size(); ++j) firsts.Add(level.GetMaterial(j));
    }
    MakeLevelCurrent(GetLastDistanceLevel());
}

uint32_t VorlexIndexedMeshLODDefinition::InitializeLevelBuffers(Display* display) {
    uint32_t result = RES_OK;
    if (!display || !levels) return result;
    for (const LODLevel& level : *levels)
        for (uint32_t c = 0; c < level.chunkCount; ++c)
            if (GeometryChunk* chunk = level.GetChunk(c); chunk && !chunk->InitializeBuffers(display, true))
                result = RES_FILE_DATA_ERROR;
    return result;
}

uint32_t VorlexIndexedMeshLODDefinition::CalculateLODDataSize() const {
    uint64_t size = 300ull * boneCount + 52ull * attachmentCount + 4ull * switchDistances.capacity() +
                    12ull * (namedLevels ? namedLevels->size() : 0) + 40ull * GetLevelCount();
    if (levels)
        for (const LODLevel& level : *levels)
            for (uint32_t c = 0; c < level.chunkCount; ++c)
                if (const GeometryChunk* chunk = level.GetChunk(c))
                    size += uint64_t(chunk->GetVertexCount()) * chunk->GetBytesPerVertex() +
                            2ull * chunk->GetIndexCount();
    if (!boneTable.empty()) {
        const LODBone& first = boneTable.front();
        size += 68 + 4ull * first.influences.capacity();
        for (const LODBoneInfluences& set : first.influences) {
            size += 8;
            for (const LODChunkInfluence& entry : set.entries) size += 12 + 20ull * entry.weights.size();
        }
    }
    return static_cast<uint32_t>(std::min<uint64_t>(size, std::numeric_limits<uint32_t>::max()));
}
