// The build of an indexed mesh from a geometry text (".imtxt"): the text is
// parsed into a configuration tree, the engine's GeometryConfigData reads
// it, and the definition copies chunks, materials, bones and attachments.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/File.h"
#include "engine/Resource.h"
#include "engine/ResourceDatabase.h"
#include "engine/config/ConfigParser.h"
#include "engine/config/GeometryConfigData.h"
#include "engine/display/Display.h"
#include "engine/geometry/GeometryChunk.h"
#include "engine/geometry/StandardChunkHint.h"
#include "engine/geometry/VertexItem.h"
#include "meshes/definitions/MeshResult.h"
#include "meshes/definitions/VorlexIndexedMeshDefinition.h"

using namespace Vek;

namespace {

// Rows of the rotation matrix (row vectors) of a quaternion.
void QuaternionToMatrix(const Quaternion& q, float m[9]) {
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    m[0] = 1 - 2 * (y * y + z * z);
    m[1] = 2 * (x * y + z * w);
    m[2] = 2 * (x * z - y * w);
    m[3] = 2 * (x * y - z * w);
    m[4] = 1 - 2 * (x * x + z * z);
    m[5] = 2 * (y * z + x * w);
    m[6] = 2 * (x * z + y * w);
    m[7] = 2 * (y * z - x * w);
    m[8] = 1 - 2 * (x * x + y * y);
}

// The file name of a path without its folder and extension.
std::string BaseName(const char* path) {
    std::string text = path ? path : "";
    std::size_t slash = text.find_last_of("/\\");
    if (slash != std::string::npos) text.erase(0, slash + 1);
    std::size_t dot = text.find_last_of('.');
    if (dot != std::string::npos) text.erase(dot);
    return text;
}

}  // namespace

uint32_t VorlexIndexedMeshDefinition::ReadText(Display* display, MaterialManager* manager, Resource* resource,
                                               const char* fileName, uint32_t vertexColour) {
    ConfigParser parser;
    ResourceDatabase* database = resource ? resource->GetDatabase() : nullptr;
    // The definition is named by the path the name stands for in the
    // resource's database (the name as given when there is no database, or
    // when the database is an archive with no such path).
    const std::string translated = database ? File::ResolveOsPath(database->GetName(), fileName ? fileName : "") : "";
    name = !translated.empty() ? translated.c_str() : (fileName ? fileName : "");
    uint32_t parsed = database ? parser.Parse(database->GetName(), fileName) : parser.Parse(fileName);
    if (parsed == 2 || parsed == 3 || parsed == 4) return parsed;
    if (parsed != 0) return RES_UNKNOWN;
    if (!parser.GetRoot()) return RES_FILE_FORMAT_ERROR;
    return BuildFromConfig(display, manager, resource, *parser.GetRoot(), fileName, vertexColour);
}

uint32_t VorlexIndexedMeshDefinition::BuildFromConfig(Display* display, MaterialManager* manager, Resource* resource,
                                                      const ConfigData& root, const char*, uint32_t vertexColour) {
    if (!manager) return RES_NO_MATERIAL_MANAGER;
    GeometryConfigData config;
    if (!config.LoadConfigData(root, true, true, true, name.c_str()) && config.GetMaxVertices() == 0)
        return RES_FILE_FORMAT_ERROR;
    hardwareSkinningCapable = display && display->HasCapability(kCapabilityHardwareSkinning);
    infoVector = {config.infoVector[0], config.infoVector[1], config.infoVector[2]};
    orientation = config.GetOrientation();
    chunkCount = config.GetNumChunks();
    maxInfluencesPerVertex = config.maxInfluencesPerVertex;
    maxBonesPerChunk = config.maxBonesPerChunk;
    chunks.clear();
    materials.clear();
    chunks.reserve(chunkCount);
    materials.reserve(chunkCount);
    for (uint32_t i = 0; i < chunkCount; ++i) {
        uint32_t result = CreateMaterial(manager, resource, config, i);
        if (result == RES_OK) result = CreateChunkFromConfig(resource, config, i, vertexColour);
        if (result != RES_OK) return result;
    }
    CopyBonesFromConfig(config);
    CopyAttachmentsFromConfig(config);
    vertexTotal = faceTotal = 0;
    for (const auto& c : chunks) {
        vertexTotal += c->GetVertexCount();
        faceTotal += c->GetFaceCount();
    }
    BuildSkeleton();
    BuildBonePalettes();
    ComputeBounds();
    ComputeTextureDetail();
    return RES_OK;
}

uint32_t VorlexIndexedMeshDefinition::CreateMaterial(MaterialManager* manager, Resource* resource,
                                                     const GeometryConfigData& config, uint32_t chunk) {
    const GeometryConfigData::MaterialData& source = config.GetMaterial(chunk);
    MaterialDescription d;
    for (const MeshTextureDefinition& t : source.textures)
        d.textures.push_back({static_cast<int>(t.stage), t.fileName.c_str(), t.value});
    d.textureCount = static_cast<uint32_t>(d.textures.size());
    std::string materialName = source.name.c_str();
    if (materialName.empty() || materialName.find(Material::kDecoratedTypeToken) == std::string::npos) {
        const std::string base = BaseName(name.c_str());
        const char* format = "VorlexIndexedMeshDefinition::CreateMaterial> *%s*%x*%s*";
        const unsigned number = static_cast<unsigned>(std::rand());
        int length = std::snprintf(nullptr, 0, format, base.c_str(), number, source.name.c_str());
        std::string generated(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
        std::snprintf(generated.data(), generated.size() + 1, format, base.c_str(), number, source.name.c_str());
        Material::VerifyDecoratedName(generated, static_cast<int>(d.textures.size()), d.textures.data());
        materialName = generated;
    }
    d.name = materialName.c_str();
    d.properties = source.properties;
    d.propertyCount = static_cast<uint32_t>(d.properties.size());
    d.flag = source.flag;
    d.scalar = source.scalar;
    auto colour = [](const GeometryConfigData::Colour& c) { return DisplayColor{c.r, c.g, c.b, c.a}; };
    d.displayMaterial.ambient = colour(source.ambient);
    d.displayMaterial.diffuse = colour(source.diffuse);
    d.displayMaterial.specular = colour(source.specular);
    d.displayMaterial.emissive = colour(source.emissive);
    d.displayMaterial.power = source.power * 128.0f;
    return MakeMaterial(manager, resource, chunk, d);
}

uint32_t VorlexIndexedMeshDefinition::CreateChunkFromConfig(Resource* resource, const GeometryConfigData& config,
                                                            uint32_t chunkIndex, uint32_t vertexColour) {
    StandardChunkHint hint;
    StartHint(hint, resource);
    const uint32_t vertexCount = config.GetVertexCount(chunkIndex);
    const uint32_t indexCount = config.GetIndexCount(chunkIndex);
    const uint32_t faceNormals = config.GetFaceNormalCount(chunkIndex);
    const uint32_t sets = config.GetTexCoordSetCount(chunkIndex);
    const uint32_t weightsPerVertex = config.GetWeightsPerVertex(chunkIndex);
    if (maxInfluencesPerVertex != 0 && maxInfluencesPerVertex <= influenceLimit && maxBonesPerChunk <= boneLimit &&
        hardwareSkinningCapable && !loadOptions.SoftwareAnimation.On())
        hardwareSkinned = true;
    if (weightsPerVertex) {
        hint.flags |= StandardChunkHint::kFlagSkinned;
        if (hardwareSkinned) {
            hint.influences = weightsPerVertex;
            hint.bones = maxBonesPerChunk;
            if (loadOptions.HardwareAnimationFloatPrecision.On()) hint.flags |= StandardChunkHint::kFlagFloatWeights;
        } else {
            hint.flags |= StandardChunkHint::kFlagSoftwareSkinning;
        }
    }
    hint.texCoordSets = sets;
    Material* material = GetMaterial(chunkIndex);
    GeometryChunk* created = material ? material->CreateGeometryChunk(vertexCount, indexCount / 3, indexCount,
                                                                      faceNormals, GeometryChunk::kTriangleList, &hint)
                                      : nullptr;
    if (!created) return RES_FILE_FORMAT_ERROR;
    if (chunks.size() <= chunkIndex) chunks.resize(chunkIndex + 1);
    chunks[chunkIndex].Reset(created);
    GeometryChunk* chunk = created;
    auto destination = [&](int item) {
        GeometryChunk::ItemArray a = chunk->GetItemArray(item);
        return CopyDestination{a.stride, a.pointer};
    };
    if (vertexCount) {
        if (hardwareSkinned && weightsPerVertex &&
            !WriteDefaultSkinData(chunk, weightsPerVertex, (hint.flags & StandardChunkHint::kFlagFloatWeights) != 0))
            return RES_FAIL_CHUNK_CREATE;
        if (chunk->GetItemOffset(kItemPosition) < 0) return RES_FAIL_CHUNK_CREATE;
        config.CopyPositions(chunkIndex, destination(kItemPosition));
        for (uint32_t k = 0; k < sets && k < 8; ++k)
            if (chunk->GetItemOffset(kItemTexCoord0 + static_cast<int>(k)) >= 0)
                config.CopyTexCoords(chunkIndex, k, destination(kItemTexCoord0 + static_cast<int>(k)));
        if (!chunk->GetIndexArray()) return RES_FAIL_CHUNK_CREATE;
        config.CopyIndices(chunkIndex, chunk->GetIndexArray());
        if (chunk->GetItemArray(kItemNormal).pointer) config.CopyNormals(chunkIndex, destination(kItemNormal));
        if (chunk->GetItemOffset(kItemDiffuse) >= 0)
            config.CopyColours(chunkIndex, destination(kItemDiffuse), vertexColour, true);
        if (chunk->GetItemOffset(kItemSpecular) >= 0)
            config.CopyColours(chunkIndex, destination(kItemSpecular), vertexColour, false);
    }
    if (faceNormals) {
        float* out = chunk->GetFaceNormalArray();
        if (!out) return RES_FAIL_CHUNK_CREATE;
        config.CopyFaceNormals(chunkIndex, reinterpret_cast<Vector3*>(out));
    }
    return RES_OK;
}

uint32_t VorlexIndexedMeshDefinition::CopyBonesFromConfig(const GeometryConfigData& config) {
    bones.clear();
    for (uint32_t b = 0; b < config.GetBoneCount(); ++b) {
        const GeometryConfigData::Bone& source = config.GetBone(b);
        InfluenceDefinition bone;
        bone.name = AnsiString(source.name.c_str());
        bone.parentName = AnsiString(source.parentName.c_str());
        bone.position = source.position;
        QuaternionToMatrix(source.orientation, bone.orientation);
        for (const InfluenceDefinition::Entry& entry : source.entries)
            if (!entry.weights.empty()) bone.entries.push_back(entry);
        bones.push_back(std::move(bone));
    }
    boneCount = static_cast<uint32_t>(bones.size());
    return RES_OK;
}

uint32_t VorlexIndexedMeshDefinition::CopyAttachmentsFromConfig(const GeometryConfigData& config) {
    attachments.clear();
    for (uint32_t a = 0; a < config.GetAttachmentCount(); ++a) {
        const GeometryConfigData::Attachment& source = config.GetAttachment(a);
        AttachmentRecord record;
        record.name = source.name;
        record.position = source.position;
        QuaternionToMatrix(source.orientation, record.orientation);
        attachments.push_back(std::move(record));
    }
    attachmentCount = static_cast<uint32_t>(attachments.size());
    return RES_OK;
}
