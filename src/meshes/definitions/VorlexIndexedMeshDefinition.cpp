#include "meshes/definitions/VorlexIndexedMeshDefinition.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>

#include "engine/File.h"
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
constexpr uint64_t kMinBoneRecord = 2 * kMinPaddedString + 12 + 36 + 4;
constexpr uint64_t kMinBoneChunk = kMinChunk + kMinPaddedString + 28 + 4;
constexpr uint64_t kMinAttachment = kMinPaddedString + 36 + 12;

// The engine geometry type of a file's primitive code; -1 for an unknown code.
int GeometryTypeOfCode(uint32_t code) {
    switch (code) {
        case 0: return GeometryChunk::kPointList;
        case 1: return GeometryChunk::kLineList;
        case 2: return GeometryChunk::kLineStrip;
        case 4: return GeometryChunk::kTriangleList;
        case 8: return GeometryChunk::kTriangleStrip;
        case 16: return GeometryChunk::kTriangleFan;
        default: return -1;
    }
}

// The file-name part of a stored path placed in the resource's folder.
std::string ResolveInFolder(const Resource* resource, const char* stored) {
    std::string path = stored ? stored : "";
    std::size_t slash = path.find_last_of("/\\");
    if (slash != std::string::npos) path.erase(0, slash + 1);
    std::string folder = resource ? resource->GetFolder() : std::string();
    return folder.empty() ? path : folder + "/" + path;
}

float* Item(GeometryChunk* chunk, int item, uint32_t& stride) { return chunk->GetVector3Array(item, stride); }

// Whether the items cover every byte of a vertex of the layout (items the
// layout lacks count for nothing).
bool CoversEveryVertexByte(const GeometryChunk::Layout& layout, const std::vector<int>& items) {
    std::vector<bool> covered(layout.vertexSize, false);
    for (int item : items) {
        if (!layout.Has(item)) continue;
        const uint32_t from = static_cast<uint32_t>(layout.offsets[item]);
        const uint32_t to = std::min<uint32_t>(from + VertexItemSize(item), layout.vertexSize);
        for (uint32_t b = from; b < to; ++b) covered[b] = true;
    }
    return std::find(covered.begin(), covered.end(), false) == covered.end();
}

uint8_t WeightByte(float w) {
    float scaled = w * 255.0f;
    if (!(scaled > 0.0f)) return 0;  // also NaN
    if (scaled >= 255.0f) return 255;
    return static_cast<uint8_t>(scaled);
}

uint8_t ByteOf(uint32_t word, int k) { return static_cast<uint8_t>(word >> (8 * k)); }
void SetByte(uint32_t& word, int k, uint8_t value) {
    word = (word & ~(0xFFu << (8 * k))) | (uint32_t(value) << (8 * k));
}

}  // namespace

int VorlexIndexedMeshDefinition::PrimitiveTypeOfCode(uint32_t code) { return GeometryTypeOfCode(code); }

std::string VorlexIndexedMeshDefinition::ResolveTextureName(const Resource* resource, const char* stored) {
    std::string resolved = ResolveInFolder(resource, stored);
    std::transform(resolved.begin(), resolved.end(), resolved.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return resolved;
}

std::string VorlexIndexedMeshDefinition::DecorateMaterialName(const Resource* resource, const char* stored) {
    std::string decorated = resource ? resource->GetOwnerName().c_str() : "";
    decorated += "*";
    decorated += resource ? resource->GetFolder() : std::string();
    decorated += "*";
    decorated += stored ? stored : "";
    return decorated;
}

VorlexIndexedMeshDefinition::VorlexIndexedMeshDefinition(const MeshLoadOptions& options) : loadOptions(options) {}

VorlexIndexedMeshDefinition::~VorlexIndexedMeshDefinition() {
    collisionJob.reset();
    pendingMaterials.clear();
    bones.clear();
    attachments.clear();
    delete skeletonRoot;
    skeletonRoot = nullptr;
    collisionTree.reset();
    collisionResult.reset();
    chunkBoneNames.clear();
    file.Close();
    missingTextures.clear();
    materials.clear();
    chunks.clear();
}

uint32_t VorlexIndexedMeshDefinition::OpenFile(Resource* resource, const char* fileName) {
    File f;
    ResourceDatabase* database = resource ? resource->GetDatabase() : nullptr;
    bool opened = database ? database->OpenFile(f, fileName, File::kModeRead) : f.Open(fileName, File::kModeRead);
    name = fileName ? fileName : "";
    if (!opened || !file.Open(f)) return RES_FILE_OPEN_ERROR;
    return RES_OK;
}

void VorlexIndexedMeshDefinition::OpenMemory(const void* data, std::size_t length, const char* path) {
    file.OpenView(data, length);
    name = path ? path : "";
}

uint32_t VorlexIndexedMeshDefinition::Read(Display* display, MaterialManager* manager, Resource* resource,
                                           const char*, uint32_t vertexColour) {
    if (!manager) return RES_NO_MATERIAL_MANAGER;
    hardwareSkinningCapable = display && display->HasCapability(kCapabilityHardwareSkinning);
    if (hardwareSkinningCapable) boneLimit = 24;
    if (!file.IsOpen()) return RES_FILE_OPEN_ERROR;
    uint32_t result = ReadChunks(file, manager, resource, vertexColour, false);
    if (result != RES_OK) return result;
    BuildSkeleton();
    BuildBonePalettes();
    ComputeBounds();
    ComputeTextureDetail();
    ComputeOrientedBox();
    file.Close();
    return RES_OK;
}

uint32_t VorlexIndexedMeshDefinition::ReadChunks(MemoryFile& source, MaterialManager* manager, Resource* resource,
                                                 uint32_t vertexColour, bool readPmin) {
    if (!source.ReadTagIs("VIRF")) return RES_FILE_FORMAT_ERROR;
    uint32_t size = 0;
    if (!ReadU32(source, size)) return RES_FILE_FORMAT_ERROR;
    const std::size_t fileEnd = source.GetPosition() + size;
    if (fileEnd < source.GetLength()) {
        // Bytes after the declared end are never read.
        std::vector<uint8_t> kept(source.GetData(), source.GetData() + fileEnd);
        std::size_t position = source.GetPosition();
        source.Open(kept.data(), kept.size());
        source.SetPosition(position);
    }
    if (!source.ReadTagIs("IDXM")) return RES_FILE_FORMAT_ERROR;
    uint32_t result = ReadINFO(source);
    if (result != RES_OK) return result;

    // Each chunk takes at least its chunk header; a larger count cannot be there.
    chunks.clear();
    materials.clear();
    if (source.Holds(chunkCount, kMinChunk)) {
        chunks.reserve(chunkCount);
        materials.reserve(chunkCount);
    }
    // The weights of "INFL" name chunks by their place in the file: per
    // chunk read, its place in the mesh, or kDroppedChunk for an empty one.
    std::vector<uint32_t> places;
    bool dropped = false;
    for (uint32_t i = 0; i < chunkCount;) {
        result = ReadCHNK(manager, resource, source, i, vertexColour);
        if (result != RES_OK) return result;
        GeometryChunk* chunk = GetChunk(i);
        if (!chunk || chunk->GetVertexCount() == 0 || chunk->GetFaceCount() == 0 || chunk->GetIndexCount() == 0) {
            RemoveLastChunk();
            places.push_back(kDroppedChunk);
            dropped = true;
            continue;
        }
        places.push_back(i);
        ++i;
    }
    // A fault inside the optional chunks leaves the position short of the
    // end; any failure of theirs fails the load as that mismatch would.
    if (source.GetPosition() < fileEnd && ReadINFLorSKEL(source) != RES_OK) return RES_FILE_FORMAT_ERROR;
    if (dropped) MoveWeightsToKeptChunks(places);
    if (source.GetPosition() < fileEnd && ReadATCH(source) != RES_OK) return RES_FILE_FORMAT_ERROR;
    if (readPmin && source.GetPosition() < fileEnd && ReadPMIN(source) != RES_OK) return RES_FILE_FORMAT_ERROR;

    vertexTotal = faceTotal = 0;
    for (const auto& c : chunks) {
        vertexTotal += c->GetVertexCount();
        faceTotal += c->GetFaceCount();
    }
    if (source.GetPosition() != fileEnd) return RES_FILE_FORMAT_ERROR;
    return RES_OK;
}

void VorlexIndexedMeshDefinition::MoveWeightsToKeptChunks(const std::vector<uint32_t>& places) {
    for (InfluenceDefinition& bone : bones) {
        std::size_t out = 0;
        for (std::size_t e = 0; e < bone.entries.size(); ++e) {
            InfluenceDefinition::Entry& entry = bone.entries[e];
            // A chunk beyond those of the file stays beyond those kept.
            if (entry.chunk < places.size()) {
                if (places[entry.chunk] == kDroppedChunk) continue;
                entry.chunk = places[entry.chunk];
            }
            if (out != e) bone.entries[out] = std::move(entry);
            ++out;
        }
        bone.entries.erase(bone.entries.begin() + static_cast<std::ptrdiff_t>(out), bone.entries.end());
    }
}

uint32_t VorlexIndexedMeshDefinition::RemoveLastChunk() {
    if (!chunks.empty()) chunks.pop_back();
    if (!materials.empty()) materials.pop_back();
    if (!chunkBoneNames.empty()) chunkBoneNames.pop_back();
    if (chunkCount) --chunkCount;
    return chunkCount;
}

uint32_t VorlexIndexedMeshDefinition::ReadINFO(MemoryFile& source) {
    MeshChunk::Header h;
    uint32_t result = MeshChunk::ReadRequired(source, "INFO", {100, 101, 102, 103, 104}, h);
    if (result != RES_OK) return result;
    float values[7];
    if (!ReadFloats(source, values, 7)) return RES_FILE_FORMAT_ERROR;
    infoVector = {values[0], values[1], values[2]};
    orientation = {values[3], values[4], values[5], values[6]};
    if (!ReadU32(source, chunkCount)) return RES_FILE_FORMAT_ERROR;
    if (h.version >= 102) {
        if (!ReadU32(source, maxInfluencesPerVertex) || !ReadU32(source, maxBonesPerChunk))
            return RES_FILE_FORMAT_ERROR;
    }
    if (h.version == 104) {
        float unused[6];
        if (!ReadFloats(source, unused, 6)) return RES_FILE_FORMAT_ERROR;
    }
    return RES_OK;
}

uint32_t VorlexIndexedMeshDefinition::ReadCHNK(MaterialManager* manager, Resource* resource, MemoryFile& source,
                                               uint32_t chunk, uint32_t vertexColour) {
    MeshChunk::Header h;
    uint32_t result = MeshChunk::ReadRequired(source, "CHNK", {100}, h);
    if (result != RES_OK) return result;
    uint32_t unused = 0;
    if (!ReadU32(source, unused)) return RES_FILE_FORMAT_ERROR;
    if ((result = ReadMATL(manager, resource, source, chunk)) != RES_OK) return result;
    if ((result = ReadGEOM(resource, source, chunk, vertexColour)) != RES_OK) return result;
    if (source.GetPosition() < h.end && source.PeekTag("NINF")) return ReadNINF(source, chunk);
    return RES_OK;
}

uint32_t VorlexIndexedMeshDefinition::ReadMATL(MaterialManager* manager, Resource* resource, MemoryFile& source,
                                               uint32_t chunk) {
    MeshChunk::Header h;
    uint32_t result = MeshChunk::ReadRequired(source, "MATL", {102, 103}, h);
    if (result != RES_OK) return result;
    MaterialDescription d;
    PString stored;
    if (!ReadPaddedString(source, stored) || !ReadMaterialProperties(source, d)) return RES_FILE_FORMAT_ERROR;
    uint32_t flag = 0;
    if (!ReadU32(source, flag) || !ReadFloat(source, d.scalar)) return RES_FILE_FORMAT_ERROR;
    d.flag = flag != 0;
    DisplayColor* colours[4] = {&d.displayMaterial.ambient, &d.displayMaterial.diffuse, &d.displayMaterial.specular,
                                &d.displayMaterial.emissive};
    for (DisplayColor* c : colours) {
        float rgb[3];
        if (!ReadFloats(source, rgb, 3)) return RES_FILE_FORMAT_ERROR;
        c->r = rgb[0];
        c->g = rgb[1];
        c->b = rgb[2];
    }
    if (!ReadFloat(source, d.displayMaterial.power)) return RES_FILE_FORMAT_ERROR;
    uint32_t textures = 0;
    if (!ReadU32(source, textures) || !source.Holds(textures, 8 + kMinPaddedString)) return RES_FILE_FORMAT_ERROR;
    for (uint32_t t = 0; t < textures; ++t) {
        uint32_t stage = 0;
        PString fileName;
        float value = 0.0f;
        if (!ReadU32(source, stage) || !ReadPaddedString(source, fileName) || !ReadFloat(source, value))
            return RES_FILE_FORMAT_ERROR;
        d.textures.push_back({static_cast<int>(stage), ResolveTextureName(resource, fileName.c_str()), value});
    }
    d.textureCount = textures;

    d.name = DecorateMaterialName(resource, stored.c_str()).c_str();

    DisplayColor& e = d.displayMaterial.emissive;
    e.r *= 0.5f;
    e.g *= 0.5f;
    e.b *= 0.5f;
    e.a *= 0.5f;
    if (h.version == 102) {
        d.displayMaterial.specular = {0.0f, 0.0f, 0.0f, 0.0f};
        d.displayMaterial.power = 10.0f;
    } else if (d.displayMaterial.power < 10.0f) {
        d.displayMaterial.power = 10.0f;
    }
    return MakeMaterial(manager, resource, chunk, d);
}

void VorlexIndexedMeshDefinition::StartHint(StandardChunkHint& hint, Resource* resource) const {
    hint = StandardChunkHint(2, 0);
    if (loadOptions.SoftwareLighting.On()) hint.flags |= StandardChunkHint::kFlagSoftwareLighting;
    hint.vertexUsage = loadOptions.DynamicVertex.set ? loadOptions.DynamicVertex.value : 2;
    hint.indexUsage = loadOptions.DynamicIndex.set ? loadOptions.DynamicIndex.value : 2;
    hint.database = resource ? resource->GetDatabase() : nullptr;
}

bool VorlexIndexedMeshDefinition::WriteDefaultSkinData(GeometryChunk* chunk, uint32_t weightsPerVertex,
                                                       bool floatWeights) {
    uint32_t indexStride = 0;
    uint32_t* indices = chunk->GetUDwordArray(kItemPaletteIndices, indexStride);
    const uint32_t n = chunk->GetVertexCount();
    if (!floatWeights) {
        uint32_t weightStride = 0;
        uint32_t* weights = chunk->GetUDwordArray(kItemPackedWeights, weightStride);
        if (!weights || !indices) return false;
        for (uint32_t v = 0; v < n; ++v) {
            *reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(weights) + v * weightStride) = 0xFF000000u;
            *reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(indices) + v * indexStride) = 0;
        }
        return true;
    }
    uint32_t k = std::clamp<uint32_t>(weightsPerVertex, 1, 4);
    uint32_t weightStride = 0;
    float* weights = chunk->GetFloatArray(kItemWeight1 + static_cast<int>(k) - 1, weightStride);
    if (!weights || !indices) return false;
    for (uint32_t v = 0; v < n; ++v) {
        float* w = reinterpret_cast<float*>(reinterpret_cast<uint8_t*>(weights) + v * weightStride);
        for (uint32_t j = 0; j < k; ++j) w[j] = j == 0 ? 1.0f : 0.0f;
        *reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(indices) + v * indexStride) = 0;
    }
    return true;
}

uint32_t VorlexIndexedMeshDefinition::ReadGEOM(Resource* resource, MemoryFile& source, uint32_t chunkIndex,
                                               uint32_t vertexColour) {
    MeshChunk::Header h;
    if (!source.ReadTagIs("GEOM")) return RES_FILE_FORMAT_ERROR;
    uint32_t result = MeshChunk::ReadSizeAndVersion(source, 101, 201, h);
    if (result != RES_OK) return result;
    const uint32_t version = h.version;

    StandardChunkHint hint;
    StartHint(hint, resource);
    uint32_t flags = 0, extended = 0;
    if (!ReadU32(source, flags)) return RES_FILE_FORMAT_ERROR;
    if (version == 201 && !ReadU32(source, extended)) return RES_FILE_FORMAT_ERROR;
    uint32_t counts[4];  // vertices, faces, indices, face normals
    if (!ReadFloat(source, hint.chunkValue)) return RES_FILE_FORMAT_ERROR;
    for (uint32_t& c : counts)
        if (!ReadU32(source, c)) return RES_FILE_FORMAT_ERROR;
    const uint32_t vertexCount = counts[0], faceCount = counts[1], indexCount = counts[2], faceNormals = counts[3];
    uint32_t sets = 1, weightsPerVertex = 0;
    if (version >= 103 && version <= 199 && !ReadU32(source, sets)) return RES_FILE_FORMAT_ERROR;
    if (version >= 102 && !ReadU32(source, weightsPerVertex)) return RES_FILE_FORMAT_ERROR;
    PString boneName;
    if (version >= 200 && !ReadPaddedString(source, boneName)) return RES_FILE_FORMAT_ERROR;
    const int geometryType = GeometryTypeOfCode(flags & GeometryChunk::kPrimitiveMask);
    if (geometryType < 0) return RES_FILE_FORMAT_ERROR;
    // A face count beyond what the indices hold would drive every walk of
    // the faces (ray tests, neighbours) far past them.
    if (!MeshChunk::FaceCountFits(flags & GeometryChunk::kPrimitiveMask, faceCount, indexCount))
        return RES_FILE_FORMAT_ERROR;

    // The blocks the counts announce must all be there before anything is
    // allocated for them, and inside this chunk: a count too large would
    // otherwise read the chunks after it as geometry, and the jump to the
    // chunk's end would hide that.
    const uint64_t record = 12 + 8 * uint64_t(sets);
    uint64_t need = uint64_t(vertexCount) * record + 2 * uint64_t(indexCount) + 12 * uint64_t(faceNormals);
    if (vertexCount) {
        need += 12 * uint64_t(vertexCount);
        if (version >= 104 && version <= 199) need += 4 * uint64_t(vertexCount);
        if (extended & 1) need += 12 * uint64_t(vertexCount);
    }
    const uint64_t inChunk = h.end > source.GetPosition() ? h.end - source.GetPosition() : 0;
    if (sets > 8 || need > inChunk || !source.Holds(need, 1)) return RES_FILE_FORMAT_ERROR;

    if (version >= 102) {
        if (maxInfluencesPerVertex != 0 && maxInfluencesPerVertex <= influenceLimit && maxBonesPerChunk <= boneLimit &&
            hardwareSkinningCapable && !loadOptions.SoftwareAnimation.On())
            hardwareSkinned = true;
        if (weightsPerVertex != 0) {
            hint.flags |= StandardChunkHint::kFlagSkinned;
            if (hardwareSkinned) {
                hint.influences = 4;
                hint.bones = boneLimit;
                if (loadOptions.HardwareAnimationFloatPrecision.On()) hint.flags |= StandardChunkHint::kFlagFloatWeights;
            } else {
                hint.flags |= StandardChunkHint::kFlagSoftwareSkinning;
            }
        }
    }
    hint.texCoordSets = sets;
    chunkBoneNames.push_back(boneName);

    Material* material = GetMaterial(chunkIndex);
    // The material makes an empty chunk of its layout; the arrays are sized
    // here without being cleared, since the blocks below write them.
    GeometryChunk* created = material ? material->CreateGeometryChunk(0, 0, 0, 0, geometryType, &hint) : nullptr;
    if (!created) return RES_FILE_FORMAT_ERROR;
    if (chunks.size() <= chunkIndex) chunks.resize(chunkIndex + 1);
    chunks[chunkIndex].Reset(created);
    GeometryChunk* chunk = created;
    chunk->AllocateUnclearedArrays(vertexCount, faceCount, indexCount, faceNormals);
    // A chunk left part-way (a failure below) is cleared, so that none of
    // its bytes is one that was never written.
    struct ClearUnlessRead {
        GeometryChunk* chunk;
        bool read = false;
        ~ClearUnlessRead() {
            if (!read) chunk->ClearArrays();
        }
    } written{chunk};
    // The vertex items the blocks below write; bytes of the layout outside
    // them (an item the file does not give, padding) are cleared first.
    const bool skinData = hardwareSkinned && weightsPerVertex;
    const bool floatWeights = (hint.flags & StandardChunkHint::kFlagFloatWeights) != 0;
    std::vector<int> items{kItemPosition, kItemDiffuse, kItemNormal};
    for (uint32_t k = 0; k < sets; ++k) items.push_back(kItemTexCoord0 + static_cast<int>(k));
    if (skinData) {
        items.push_back(floatWeights ? kItemWeight1 + static_cast<int>(std::clamp<uint32_t>(weightsPerVertex, 1, 4)) - 1
                                     : kItemPackedWeights);
        items.push_back(kItemPaletteIndices);
    }
    if (extended & 1) items.push_back(kItemExtraVector);
    if (!CoversEveryVertexByte(chunk->GetLayout(), items)) chunk->ClearArrays();

    if (vertexCount) {
        uint32_t posStride = 0;
        float* positions = Item(chunk, kItemPosition, posStride);
        if (!positions) return RES_FAIL_CHUNK_CREATE;
        if (skinData && !WriteDefaultSkinData(chunk, weightsPerVertex, floatWeights)) return RES_FAIL_CHUNK_CREATE;
        const uint8_t* block = source.GetData() + source.GetPosition();
        uint32_t colourStride = 0;
        uint32_t* colours = chunk->GetUDwordArray(kItemDiffuse, colourStride);
        GeometryChunk::ItemArray uvs[8];
        for (uint32_t k = 0; k < sets; ++k) uvs[k] = chunk->GetItemArray(kItemTexCoord0 + static_cast<int>(k));
        for (uint32_t v = 0; v < vertexCount; ++v) {
            const uint8_t* r = block + std::size_t(v) * record;
            Vector3 p = LoadVector3(r);
            std::memcpy(reinterpret_cast<uint8_t*>(positions) + std::size_t(v) * posStride, &p, 12);
            if (colours)
                *reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(colours) + std::size_t(v) * colourStride) =
                    vertexColour;
            for (uint32_t k = 0; k < sets; ++k) {
                if (!uvs[k].pointer) continue;
                float* out = reinterpret_cast<float*>(uvs[k].pointer + std::size_t(v) * uvs[k].stride);
                out[0] = MeshChunk::LoadFloat(r + 12 + 8 * k);
                out[1] = MeshChunk::LoadFloat(r + 16 + 8 * k);
            }
        }
        source.Skip(vertexCount * record);
    }
    result = ReadIndexBlock(source, chunk, indexCount, vertexCount);
    if (result != RES_OK) return result;
    if (vertexCount) ReadVectorBlock(source, chunk, kItemNormal, vertexCount);
    if (vertexCount && version >= 104 && version <= 199) {
        const uint8_t* block = source.GetData() + source.GetPosition();
        std::vector<uint32_t> colours(vertexCount);
        for (uint32_t v = 0; v < vertexCount; ++v) colours[v] = MeshChunk::LoadU32(block + 4 * v);
        Display::ConvertColorArray(colours.data(), colours.size());
        uint32_t stride = 0;
        uint32_t* out = chunk->GetUDwordArray(kItemDiffuse, stride);
        if (out)
            for (uint32_t v = 0; v < vertexCount; ++v)
                *reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(out) + v * stride) = colours[v];
        source.Skip(4 * std::size_t(vertexCount));
    }
    if (faceNormals) {
        float* out = chunk->GetFaceNormalArray();
        if (!out) return RES_FAIL_CHUNK_CREATE;
        if (!ReadFloats(source, out, 3 * std::size_t(faceNormals))) return RES_FILE_FORMAT_ERROR;
    }
    // A chunk without the extra vector reads over them.
    if ((extended & 1) && vertexCount) ReadVectorBlock(source, chunk, kItemExtraVector, vertexCount);
    written.read = true;
    source.SetPosition(h.end);
    return RES_OK;
}

uint32_t VorlexIndexedMeshDefinition::ReadNINF(MemoryFile& source, uint32_t chunkIndex) {
    return ReadNeighbours(source, GetChunk(chunkIndex));
}

bool VorlexIndexedMeshDefinition::ReadMaterialProperties(MemoryFile& source, MaterialDescription& description) {
    uint32_t count = 0;
    if (!ReadU32(source, count) || !source.Holds(count, 2 * kMinPaddedString)) return false;
    for (uint32_t p = 0; p < count; ++p) {
        AnsiString key, value;
        if (!ReadPaddedString(source, key) || !ReadPaddedString(source, value)) return false;
        description.properties.emplace_back(key.c_str(), value.c_str());
    }
    description.propertyCount = count;
    return true;
}

uint32_t VorlexIndexedMeshDefinition::ReadIndexBlock(MemoryFile& source, GeometryChunk* chunk, uint32_t indexCount,
                                                     uint32_t vertexCount) {
    if (!indexCount) return RES_OK;
    uint16_t* indices = chunk->GetIndexArray();
    if (!indices) return RES_FAIL_CHUNK_CREATE;
    const uint8_t* block = source.GetData() + source.GetPosition();
    for (uint32_t k = 0; k < indexCount; ++k) {
        indices[k] = static_cast<uint16_t>(block[2 * k] | block[2 * k + 1] << 8);
        if (indices[k] >= vertexCount) return RES_FILE_FORMAT_ERROR;
    }
    source.Skip(2 * std::size_t(indexCount));
    return RES_OK;
}

void VorlexIndexedMeshDefinition::ReadVectorBlock(MemoryFile& source, GeometryChunk* chunk, int item, uint32_t n) {
    GeometryChunk::ItemArray out = chunk->GetItemArray(item);
    const uint8_t* block = source.GetData() + source.GetPosition();
    if (out.pointer)
        for (uint32_t v = 0; v < n; ++v) {
            const Vector3 value = LoadVector3(block + 12 * std::size_t(v));
            std::memcpy(out.pointer + std::size_t(v) * out.stride, &value, 12);
        }
    source.Skip(12 * std::size_t(n));
}

uint32_t VorlexIndexedMeshDefinition::ReadNeighbours(MemoryFile& source, GeometryChunk* chunk) {
    MeshChunk::Header h;
    uint32_t result = MeshChunk::ReadRequired(source, "NINF", {100}, h);
    if (result != RES_OK) return result;
    uint32_t faces = chunk ? chunk->GetFaceCount() : 0;
    if (faces) {
        if (!source.Holds(faces, 12)) return RES_FILE_FORMAT_ERROR;
        std::vector<uint32_t> neighbours(3 * std::size_t(faces));
        const uint8_t* block = source.GetData() + source.GetPosition();
        for (std::size_t k = 0; k < neighbours.size(); ++k) neighbours[k] = MeshChunk::LoadU32(block + 4 * k);
        source.Skip(12 * std::size_t(faces));
        chunk->SetFaceNeighborArray(std::move(neighbours));
    }
    return RES_OK;
}

uint32_t VorlexIndexedMeshDefinition::ReadINFLorSKEL(MemoryFile& source) {
    char tag[5];
    if (!source.ReadTag(tag)) return RES_FILE_FORMAT_ERROR;
    MeshChunk::Header h;
    if (std::strcmp(tag, "INFL") == 0) {
        if (MeshChunk::ReadSizeAndVersion(source, {100}, h) != RES_OK) {
            // A wrong version leaves the position inside the chunk, which
            // the load's final position check rejects.
            return RES_FILE_FORMAT_ERROR;
        }
        uint32_t count = 0;
        if (!ReadU32(source, count)) return RES_FILE_FORMAT_ERROR;
        if (count >= 1024) count = 0;
        if (!source.Holds(count, kMinBoneRecord)) return RES_FILE_FORMAT_ERROR;
        bones.clear();
        bones.reserve(count);
        boneCount = 0;
        for (uint32_t b = 0; b < count; ++b) {
            InfluenceDefinition bone;
            float values[12];
            uint32_t entries = 0;
            if (!ReadPaddedString(source, bone.name) || !ReadPaddedString(source, bone.parentName) ||
                !ReadFloats(source, values, 12) || !ReadU32(source, entries) || !source.Holds(entries, 8))
                return RES_FILE_FORMAT_ERROR;
            bone.position = {values[0], values[1], values[2]};
            std::copy(values + 3, values + 12, bone.orientation);
            for (uint32_t e = 0; e < entries; ++e) {
                InfluenceDefinition::Entry entry;
                if (!MeshChunk::ReadWeightEntry(source, entry)) return RES_FILE_FORMAT_ERROR;
                if (!entry.weights.empty()) bone.entries.push_back(std::move(entry));
            }
            bones.push_back(std::move(bone));
            boneCount = static_cast<uint32_t>(bones.size());
        }
        return source.GetPosition() == h.end ? RES_OK : RES_FILE_FORMAT_ERROR;
    }
    if (std::strcmp(tag, "SKEL") == 0) {
        if (MeshChunk::ReadSizeAndVersion(source, {100}, h) != RES_OK) return RES_FILE_FORMAT_ERROR;
        return ReadBONE(nullptr, source, 0);
    }
    source.PutBack(4);
    return RES_OK;
}

uint32_t VorlexIndexedMeshDefinition::ReadBONE(ParticleBone* parent, MemoryFile& source, uint32_t depth) {
    if (depth >= kMaxNesting) return RES_FILE_FORMAT_ERROR;
    MeshChunk::Header h;
    uint32_t result = MeshChunk::ReadRequired(source, "BONE", {1, 20, 50, 100, 102}, h);
    if (result != RES_OK) return result;
    PString boneName;
    float values[7];
    uint32_t children = 0;
    if (!ReadPaddedString(source, boneName) || !ReadFloats(source, values, 7) || !ReadU32(source, children) ||
        !source.Holds(children, kMinBoneChunk))
        return RES_FILE_FORMAT_ERROR;
    auto* bone = new ParticleBone(boneName);
    bone->SetPosition({values[0], values[1], values[2]});
    bone->SetOrientation({values[3], values[4], values[5], values[6]});
    bone->SetVisibleBoundingBox(new ParticleVisibleBoundingBox());
    bone->SetLocalBox({-0.01f, -0.01f, -0.01f}, {0.01f, 0.01f, 0.01f});
    if (parent) {
        parent->Add(bone);
    } else {
        delete skeletonRoot;
        skeletonRoot = bone;
    }
    for (uint32_t c = 0; c < children; ++c)
        if ((result = ReadBONE(bone, source, depth + 1)) != RES_OK) return result;
    return RES_OK;
}

uint32_t VorlexIndexedMeshDefinition::ReadATCH(MemoryFile& source) {
    MeshChunk::Header h;
    bool present = false;
    uint32_t result = MeshChunk::ReadOptional(source, "ATCH", {100}, h, present);
    if (result != RES_OK || !present) return result;
    uint32_t count = 0;
    if (!ReadU32(source, count) || !source.Holds(count, kMinAttachment)) return RES_FILE_FORMAT_ERROR;
    attachments.clear();
    attachments.reserve(count);
    for (uint32_t a = 0; a < count; ++a) {
        AttachmentRecord r;
        float values[12];
        if (!ReadPaddedString(source, r.name) || !ReadFloats(source, values, 12)) return RES_FILE_FORMAT_ERROR;
        std::copy(values, values + 9, r.orientation);
        r.position = {values[9], values[10], values[11]};
        attachments.push_back(std::move(r));
        attachmentCount = static_cast<uint32_t>(attachments.size());
    }
    return RES_OK;
}

uint32_t VorlexIndexedMeshDefinition::ReadPMIN(MemoryFile& source) {
    MeshChunk::Header h;
    uint32_t result = MeshChunk::ReadRequired(source, "PMIN", {101}, h);
    if (result != RES_OK) return result;
    uint32_t sizes[4];
    for (uint32_t& s : sizes)
        if (!ReadU32(source, s)) return RES_FILE_FORMAT_ERROR;
    // The four tables only move the position past their data; their sizes
    // are checked against the bytes that remain and they are not linked.
    uint64_t bytes = 4 * uint64_t(sizes[0]) + 16 * uint64_t(sizes[1]) + 8 * uint64_t(sizes[2]) + 4 * uint64_t(sizes[3]);
    if (!source.Holds(bytes, 1)) return RES_FILE_FORMAT_ERROR;
    source.Skip(static_cast<std::size_t>(bytes));
    return RES_OK;
}

// ---- post-load steps ----

void VorlexIndexedMeshDefinition::BuildSkeleton() {
    if (boneCount == 0 || bones.empty()) return;
    if (ParticleBone* root = SkeletonFromBones(bones)) {
        delete skeletonRoot;
        skeletonRoot = root;
    }
}

void VorlexIndexedMeshDefinition::BuildBonePalettes() {
    for (uint32_t b = 0; b < boneCount && b < bones.size(); ++b) {
        const InfluenceDefinition* bone = &bones[b];
        if (boneNameTable && b < boneNameTable->size()) {
            for (const InfluenceDefinition& r : bones)
                if (std::strcmp(r.name.c_str(), (*boneNameTable)[b].c_str()) == 0) {
                    bone = &r;
                    break;
                }
        }
        for (const InfluenceDefinition::Entry& entry : bone->entries) {
            if (entry.chunk < chunks.size()) AddPaletteWeights(chunks[entry.chunk].Get(), b, entry);
        }
    }
}

bool VorlexIndexedMeshDefinition::AddPaletteWeights(GeometryChunk* chunk, uint32_t b,
                                                    const InfluenceDefinition::Entry& entry) {
    const uint32_t n = entry.GetWeightCount();
    if (n == 0) return false;
    if (!chunk || chunk->HasFlag(GeometryChunk::kFlagSoftwareSkinned) || chunk->GetVertexCount() < n) return false;
    uint32_t indexStride = 0;
    uint8_t* indexBase = reinterpret_cast<uint8_t*>(chunk->GetUDwordArray(kItemPaletteIndices, indexStride));
    int weightItem = 0;
    for (int item : {kItemPackedWeights, kItemWeight1, kItemWeight2, kItemWeight3, kItemWeight4})
        if (chunk->GetItemOffset(item) >= 0) {
            weightItem = item;
            break;
        }
    if (!indexBase || !weightItem) return false;
    uint32_t weightStride = 0;
    uint8_t* weightBase = chunk->GetItemArray(weightItem).pointer;
    weightStride = chunk->GetItemArray(weightItem).stride;
    const int m = chunk->AddInfluenceMatrix(static_cast<int>(b));
    const uint8_t slot = static_cast<uint8_t>(3 * m);
    const uint32_t startWord = uint32_t(slot) + 0xFE00u;
    for (const InfluenceDefinition::Weight& weight : entry.weights) {
        // A weight naming a vertex the chunk does not have is skipped.
        if (weight.vertex >= chunk->GetVertexCount()) continue;
        uint32_t& index = *reinterpret_cast<uint32_t*>(indexBase + weight.vertex * indexStride);
        uint8_t* wp = weightBase + weight.vertex * weightStride;
        const float w = weight.weight;
        switch (weightItem) {
            case kItemPackedWeights: {
                uint32_t& packed = *reinterpret_cast<uint32_t*>(wp);
                const uint8_t wb = WeightByte(w);
                if (ByteOf(index, 3) == 0xFE) {
                    SetByte(packed, 3, wb);
                    SetByte(index, 3, slot);
                } else if (ByteOf(index, 2) == 0xFE) {
                    SetByte(packed, 2, wb);
                    SetByte(index, 2, slot);
                    SetByte(index, 3, 0xFE);
                } else if (ByteOf(index, 1) == 0xFE) {
                    SetByte(packed, 1, wb);
                    SetByte(index, 1, slot);
                    SetByte(index, 2, 0xFE);
                } else {
                    packed = wb;
                    index = startWord;
                }
                break;
            }
            case kItemWeight1:
                reinterpret_cast<float*>(wp)[0] = w;
                index = slot;
                break;
            default: {
                float* f = reinterpret_cast<float*>(wp);
                const int count = weightItem - kItemWeight1 + 1;  // 2, 3 or 4 floats
                int k = count - 1;
                for (; k >= 1; --k)
                    if (ByteOf(index, k) == 0xFE) break;
                if (k >= 1) {
                    f[k] = w;
                    SetByte(index, k, slot);
                    if (k + 1 < 4 && k + 1 <= count) SetByte(index, k + 1, 0xFE);
                } else {
                    for (int j = 0; j < count; ++j) f[j] = j == 0 ? w : 0.0f;
                    index = startWord;
                }
                break;
            }
        }
    }
    return true;
}

void VorlexIndexedMeshDefinition::ComputeBounds() {
    const float big = std::numeric_limits<float>::max();
    Vector3 lo{big, big, big}, hi{-big, -big, -big};
    bool any = false;
    for (const auto& c : chunks) {
        uint32_t stride = 0;
        const float* p = c ? c->GetVector3Array(kItemPosition, stride) : nullptr;
        if (!p) continue;
        for (uint32_t v = 0; v < c->GetVertexCount(); ++v) {
            const float* q = reinterpret_cast<const float*>(reinterpret_cast<const uint8_t*>(p) + v * stride);
            lo = {std::min(lo.x, q[0]), std::min(lo.y, q[1]), std::min(lo.z, q[2])};
            hi = {std::max(hi.x, q[0]), std::max(hi.y, q[1]), std::max(hi.z, q[2])};
            any = true;
        }
    }
    boundsMin = any ? lo : Vector3{};
    boundsMax = any ? hi : Vector3{};
}

void VorlexIndexedMeshDefinition::ComputeTextureDetail() {
    double weighted = 0.0, weight = 0.0;
    float largest = 0.0f;
    bool anyTriangle = false;
    for (const auto& c : chunks) {
        if (!c) continue;
        uint32_t ps = 0, ts = 0;
        const float* p = c->GetVector3Array(kItemPosition, ps);
        const float* t = c->GetVector2Array(kItemTexCoord0, ts);
        const uint16_t* idx = c->GetIndexArray();
        if (!p || !t || !idx) continue;
        const uint32_t vc = c->GetVertexCount();
        auto pos = [&](uint16_t i) {
            const float* q = reinterpret_cast<const float*>(reinterpret_cast<const uint8_t*>(p) + i * ps);
            return Vector3{q[0], q[1], q[2]};
        };
        auto uv = [&](uint16_t i) {
            const float* q = reinterpret_cast<const float*>(reinterpret_cast<const uint8_t*>(t) + i * ts);
            return Vector2{q[0], q[1]};
        };
        for (uint32_t k = 0; k + 3 <= c->GetIndexCount(); k += 3) {
            const uint16_t i0 = idx[k], i1 = idx[k + 1], i2 = idx[k + 2];
            if (i0 >= vc || i1 >= vc || i2 >= vc) continue;  // an index the chunk does not have
            anyTriangle = true;
            const float e1 = (pos(i1) - pos(i0)).Length(), e2 = (pos(i2) - pos(i0)).Length();
            const Vector2 a0 = uv(i0), a1 = uv(i1), a2 = uv(i2);
            const float t1 = std::sqrt((a1.x - a0.x) * (a1.x - a0.x) + (a1.y - a0.y) * (a1.y - a0.y));
            const float t2 = std::sqrt((a2.x - a0.x) * (a2.x - a0.x) + (a2.y - a0.y) * (a2.y - a0.y));
            if (t1 * t2 > 0.00001f) {
                const float r1 = e1 / t1, r2 = e2 / t2, a = e1 * e2 * 0.5f;
                weighted += a * r1 + a * r2;
                weight += 2 * a;
                largest = std::max({largest, r1, r2});
            }
        }
    }
    const float average = weight > 0 ? static_cast<float>(weighted / weight) : 0.0f;
    textureDetail = anyTriangle ? std::min(8.0f * average, largest) : 0.0f;
}

void VorlexIndexedMeshDefinition::ComputeOrientedBox() {
    orientedBox = OrientedBox();
    std::vector<Vector3> corners;
    std::vector<Vector3> points;
    for (const auto& c : chunks) {
        uint32_t stride = 0;
        const float* p = c ? c->GetVector3Array(kItemPosition, stride) : nullptr;
        if (!p || c->GetVertexCount() == 0) continue;
        points.resize(c->GetVertexCount());
        for (uint32_t v = 0; v < c->GetVertexCount(); ++v)
            std::memcpy(&points[v], reinterpret_cast<const uint8_t*>(p) + v * stride, 12);
        OrientedBox box(points.size(), points.data());
        Vector3 eight[8];
        box.CalcCorners(eight);
        corners.insert(corners.end(), eight, eight + 8);
    }
    if (!corners.empty()) orientedBox = OrientedBox(corners.size(), corners.data());
}

// ---- material creation and load completion ----

uint32_t VorlexIndexedMeshDefinition::MakeMaterial(MaterialManager* manager, Resource* resource, uint32_t chunk,
                                                   const MaterialDescription& d) {
    if (!manager) return RES_NO_MATERIAL_MANAGER;
    Material* made = nullptr;
    int answer = manager->LoadMaterial(d.name.c_str(), &made);
    if (answer != 0 || !made) {
        if (made) made->ReleaseReference();
        missingMaterials.emplace_back(d.name.c_str());
        return answer == 3 ? RES_UNSUPPORTED_MATERIAL : RES_UNKNOWN_MATERIAL;
    }
    AutoReference<Material> material(made);
    material->SetRequestName(d.name.c_str());
    material->SetResourcePriority(resource ? resource->GetPriority() : 0.0f);
    material->SetDisplayMaterialProperties(d.displayMaterial);
    material->SetFlags((material->GetFlags() & ~1u) | (d.flag ? 1u : 0u));
    material->SetScalar(d.scalar);
    for (const auto& [key, value] : d.properties) material->AddProperty(key, value);
    if (materials.size() <= chunk) materials.resize(chunk + 1);
    materials[chunk] = material;
    PendingMaterial pending;
    pending.textures = d.textures;
    pending.resource = resource;
    pending.material = material;
    pending.name = d.name;
    pending.manager = manager;
    if (pendingMaterials.size() == pendingMaterials.capacity())
        pendingMaterials.reserve((pendingMaterials.size() / 128 + 1) * 128);
    pendingMaterials.push_back(std::move(pending));
    return RES_OK;
}

void VorlexIndexedMeshDefinition::LoadPendingTextures() {
    for (PendingMaterial& pending : pendingMaterials) {
        for (const Material::TextureDefinition& t : pending.textures) {
            std::string resolved = ResolveInFolder(pending.resource, t.name.c_str());
            ResourceDatabase* database = pending.resource ? pending.resource->GetDatabase() : nullptr;
            int result = pending.material->SetTexture(t.slot, database, resolved.c_str(), t.amount);
            if (result != 0 && !(result == 2 && (pending.material->GetFlags() & 0x8)))
                missingTextures.push_back({static_cast<uint32_t>(t.slot), PString(t.name.c_str()), t.amount});
        }
    }
    pendingMaterials.clear();
}

uint32_t VorlexIndexedMeshDefinition::InitializeChunkBuffers(Display* display) {
    uint32_t result = RES_OK;
    if (!display) return result;
    for (const auto& c : chunks)
        if (c && !c->InitializeBuffers(display, true)) result = RES_FILE_DATA_ERROR;
    return result;
}
