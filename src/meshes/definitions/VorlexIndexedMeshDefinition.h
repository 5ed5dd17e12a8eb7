#pragma once
// One loaded indexed mesh: geometry chunks with one material each, bounds
// and an oriented box, attachment records, bone records with their skin
// weights, a skeleton of bone particles, palette skin data for hardware
// skinning and a texture-detail value. Filled once from an .im file (Read)
// and read-only afterwards; the instances share its chunk and material
// arrays by reference count.
//
// The .im layout (chunk framing in MeshChunkReader.h; all values
// little-endian): "VIRF", size, "IDXM", "INFO" (100-104), one "CHNK" (100)
// per chunk holding "MATL" (102, 103), "GEOM" (101-201) and an optional
// "NINF" (100); then optionally "INFL" (100) or "SKEL" (100) with a "BONE"
// tree (1, 20, 50, 100, 102); then optionally "ATCH" (100).
//
// Counts read from a file are checked against the bytes that remain before
// they drive an allocation or a loop, and bone trees nest at most
// MeshFileSupport::kMaxNesting deep: a damaged file gives a result code.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/PString.h"
#include "engine/ReferenceCount.h"
#include "engine/Vector.h"
#include "engine/materials/DisplayMaterial.h"
#include "engine/materials/Material.h"
#include "engine/math/OrientedBox.h"
#include "engine/meshfile/InfluenceDefinition.h"
#include "engine/meshfile/MemoryFile.h"
#include "engine/meshfile/MeshFileSupport.h"
#include "meshes/definitions/CollisionGeometrySharingInterface.h"
#include "meshes/definitions/MeshCollisionServices.h"

namespace Vek {
class ConfigData;
class GeometryConfigData;
class Display;
class GeometryChunk;
class MaterialManager;
class ParticleBone;
class ParticleStructure;
class Resource;
struct StandardChunkHint;
}  // namespace Vek


// A mesh's request for one material: what the "MATL" reader and the text
// build produce, turned into a material by MakeMaterial.
struct MaterialDescription {
    bool flag = false;
    float scalar = 1.0f;
    Vek::DisplayMaterial displayMaterial;
    uint32_t textureCount = 0;
    std::vector<Vek::Material::TextureDefinition> textures;
    Vek::PString name;
    uint32_t propertyCount = 0;
    std::vector<std::pair<std::string, std::string>> properties;
};

// A created material whose textures load when the owning resource completes.
struct PendingMaterial {
    std::vector<Vek::Material::TextureDefinition> textures;
    Vek::Resource* resource = nullptr;
    Vek::AutoReference<Vek::Material> material;
    Vek::PString name;
    Vek::MaterialManager* manager = nullptr;
};

// The load options: a value byte and an is-set byte each.
struct MeshLoadOption {
    uint8_t value = 0;
    uint8_t set = 0;
    bool On() const { return value != 0 && set != 0; }
};

struct MeshLoadOptions {
    MeshLoadOption SoftwareLighting;
    MeshLoadOption SoftwareAnimation;
    MeshLoadOption DynamicVertex;
    MeshLoadOption DynamicIndex;
    MeshLoadOption HardwareAnimationFloatPrecision;
};

struct AttachmentRecord {
    float orientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    Vek::Vector3 position;
    Vek::PString name;
};

class VorlexIndexedMeshDefinition : public Vek::MeshFileSupport {
public:
    static constexpr int kCapabilityHardwareSkinning = 29;

    explicit VorlexIndexedMeshDefinition(const MeshLoadOptions& options = {});
    ~VorlexIndexedMeshDefinition() override;
    VorlexIndexedMeshDefinition(const VorlexIndexedMeshDefinition&) = delete;
    VorlexIndexedMeshDefinition& operator=(const VorlexIndexedMeshDefinition&) = delete;

    // Loads the file of `fileName` in the resource's database into `file`
    // and keeps its path as `name`: 2 when it cannot be opened, else 0.
    uint32_t OpenFile(Vek::Resource* resource, const char* fileName);
    // Makes `length` bytes the data that Read parses, read where they are
    // (no copy): they must stay as they are until Read has returned.
    void OpenMemory(const void* data, std::size_t length, const char* path);

    virtual uint32_t Read(Vek::Display* display, Vek::MaterialManager* manager, Vek::Resource* resource,
                          const char* fileName, uint32_t vertexColour);

    // ---- the build from a geometry text (".imtxt", engine/config/GeometryConfigData.h) ----
    // Parses the file of `fileName` in the resource's database: the
    // parser's 2, 3 or 4 as they are, another failure 1, no root 3;
    // otherwise BuildFromConfig's result.
    virtual uint32_t ReadText(Vek::Display* display, Vek::MaterialManager* manager, Vek::Resource* resource,
                              const char* fileName, uint32_t vertexColour);
    virtual uint32_t BuildFromConfig(Vek::Display* display, Vek::MaterialManager* manager, Vek::Resource* resource,
                                     const Vek::ConfigData& root, const char* fileName, uint32_t vertexColour);

    // ---- accessors (Vek::MeshFileSupport) ----
    uint32_t GetVertexCount(uint32_t chunk) const override;
    uint32_t GetMaxInfluencesPerVertex() const override { return maxInfluencesPerVertex; }
    uint32_t GetMaxBonesPerChunk() const override { return maxBonesPerChunk; }
    uint32_t GetIndexCount(uint32_t chunk) const override;
    uint32_t GetFaceNormalCount(uint32_t chunk) const override;
    uint32_t GetTexCoordSetCount(uint32_t chunk) const override;
    uint32_t GetChunkInfluencesPerVertex(uint32_t chunk) const override;
    void CopyPositions(uint32_t chunk, const Vek::CopyDestination& destination) const override;
    void CopyTexCoords(uint32_t chunk, uint32_t set, const Vek::CopyDestination& destination) const override;
    void CopyIndices(uint32_t chunk, uint16_t* destination) const override;
    void CopyNormals(uint32_t chunk, const Vek::CopyDestination& destination) const override;
    void CopyColours(uint32_t chunk, const Vek::CopyDestination& destination, uint32_t defaultColour,
                     bool primary) const override;
    void CopyFaceNormals(uint32_t chunk, Vek::Vector3* destination) const override;
    Vek::PString GetMaterialName(uint32_t chunk) const override;
    std::vector<Vek::MeshTextureDefinition> GetMaterialTextures(uint32_t chunk) const override;
    bool GetMaterialFlag(uint32_t chunk) const override;
    float GetMaterialScalar(uint32_t chunk) const override;
    void GetDisplayMaterial(uint32_t chunk, Vek::DisplayMaterial& result) const override;
    uint32_t GetMaterialPropertyCount(uint32_t chunk) const override;
    char* GetMaterialProperty(uint32_t chunk, uint32_t index, bool value) const override;
    const std::vector<Vek::MeshTextureDefinition>& GetMissingTextures() const override { return missingTextures; }
    Vek::PString GetBoneName(uint32_t bone) const override;
    Vek::PString GetBoneParentName(uint32_t bone) const override;
    Vek::Vector3 GetBonePosition(uint32_t bone) const override;
    Vek::Quaternion GetBoneOrientation(uint32_t bone) const override;
    uint32_t GetBoneEntryCount(uint32_t bone) const override;
    uint32_t GetBoneEntryChunk(uint32_t bone, uint32_t entry) const override;
    uint32_t GetBoneEntryWeightCount(uint32_t bone, uint32_t entry) const override;
    void CopyBoneEntryWeights(uint32_t bone, uint32_t entry, Vek::InfluenceDefinition::Weight* destination) const override;
    Vek::PString GetAttachmentName(uint32_t attachment) const override;
    Vek::Quaternion GetAttachmentOrientation(uint32_t attachment) const override;
    Vek::Vector3 GetAttachmentPosition(uint32_t attachment) const override;

    virtual void BuildBonePalettes();

    // ---- material creation and load completion ----
    virtual uint32_t MakeMaterial(Vek::MaterialManager* manager, Vek::Resource* resource, uint32_t chunk,
                                  const MaterialDescription& description);
    void LoadPendingTextures();
    uint32_t InitializeChunkBuffers(Vek::Display* display);

    // ---- further queries ----
    // The bone that carries chunk `chunk` as a rigid part; empty when none.
    Vek::PString GetChunkBoneName(uint32_t chunk) const;
    uint32_t GetDataSize() const;
    void AddAttachmentPoints(Vek::ParticleStructure* structure) const;
    // The three corners of a triangle identifier (chunk x 65536 + index
    // position); false when it names no whole triangle of the mesh.
    bool GetTriangle(uint32_t identifier, Vek::Vector3 corners[3]) const;

    // The collision tree, or none until a job of the overlapped loader has
    // built one; the first call starts that job when a loader exists
    // (MeshCollisionServices). A finished job is dropped.
    MeshCollisionTree* GetCollisionTree();
    // The job's work: every whole group of three indices of each chunk with
    // positions and indices becomes a triangle (groups naming a vertex the
    // chunk lacks, and groups starting past index position 65535, which an
    // identifier cannot hold, are skipped); false when no tree can be made
    // or built.
    bool BuildCollisionTree();

    // Chunk and material arrays (chunk i uses material i).
    Vek::GeometryChunk* GetChunk(uint32_t i) const { return i < chunks.size() ? chunks[i].Get() : nullptr; }
    Vek::Material* GetMaterial(uint32_t i) const { return i < materials.size() ? materials[i].Get() : nullptr; }
    const std::vector<Vek::InfluenceDefinition>& GetBones() const { return bones; }
    const std::vector<AttachmentRecord>& GetAttachments() const { return attachments; }
    // Names of the materials the manager could not supply (the owning
    // resource's list of missing materials).
    const std::vector<std::string>& GetMissingMaterials() const { return missingMaterials; }
    std::size_t GetPendingMaterialCount() const { return pendingMaterials.size(); }

    // ---- data (read by the instances) ----
    Vek::Vector3 infoVector;
    Vek::Quaternion orientation;
    Vek::Vector3 boundsMax;
    Vek::Vector3 boundsMin;
    Vek::PString name;
    uint32_t chunkCount = 0;
    uint32_t vertexTotal = 0;
    uint32_t faceTotal = 0;
    uint32_t attachmentCount = 0;
    uint32_t boneCount = 0;
    uint32_t maxInfluencesPerVertex = 0;
    uint32_t maxBonesPerChunk = 0;
    uint32_t influenceLimit = 4;
    uint32_t boneLimit = 25;
    bool hardwareSkinned = false;
    bool hardwareSkinningCapable = false;
    std::vector<Vek::AutoReference<Vek::GeometryChunk>> chunks;
    std::vector<Vek::AutoReference<Vek::Material>> materials;
    std::vector<AttachmentRecord> attachments;
    std::vector<Vek::MeshTextureDefinition> missingTextures;
    Vek::MemoryFile file;
    std::vector<PendingMaterial> pendingMaterials;
    std::vector<Vek::InfluenceDefinition> bones;
    std::vector<Vek::PString> chunkBoneNames;
    Vek::ParticleBone* skeletonRoot = nullptr;
    MeshLoadOptions loadOptions;
    const std::vector<Vek::PString>* boneNameTable = nullptr;
    float textureDetail = 0.0f;
    Vek::OrientedBox orientedBox;
    // The tree's view of this definition's triangles, made with the first tree.
    std::unique_ptr<CollisionGeometrySharingInterface> collisionGeometry;
    std::unique_ptr<MeshCollisionTree> collisionTree;
    std::unique_ptr<MeshCollisionJob> collisionJob;
    // The job's result slot, filled by BuildCollisionTree while a job runs.
    std::unique_ptr<MeshCollisionTree> collisionResult;

protected:
    // The body of Read after the file data is in `source`: envelope, info,
    // chunks, skin, attachments, the final position. `readPmin` also steps
    // over a trailing "PMIN".
    uint32_t ReadChunks(Vek::MemoryFile& source, Vek::MaterialManager* manager, Vek::Resource* resource,
                        uint32_t vertexColour, bool readPmin);

    virtual uint32_t ReadINFO(Vek::MemoryFile& source);
    virtual uint32_t ReadCHNK(Vek::MaterialManager* manager, Vek::Resource* resource, Vek::MemoryFile& source,
                              uint32_t chunk, uint32_t vertexColour);
    virtual uint32_t ReadGEOM(Vek::Resource* resource, Vek::MemoryFile& source, uint32_t chunk,
                              uint32_t vertexColour);
    virtual uint32_t ReadMATL(Vek::MaterialManager* manager, Vek::Resource* resource, Vek::MemoryFile& source,
                              uint32_t chunk);
    virtual uint32_t ReadNINF(Vek::MemoryFile& source, uint32_t chunk);
    // A "NINF" chunk's header and the face neighbours of `chunk` (its face
    // count x 12 bytes; nothing for a chunk without faces).
    static uint32_t ReadNeighbours(Vek::MemoryFile& source, Vek::GeometryChunk* chunk);
    // A material's property list: a count, checked against the bytes left,
    // then that many key and value strings.
    static bool ReadMaterialProperties(Vek::MemoryFile& source, MaterialDescription& description);
    // `indexCount` 16-bit indices into the chunk's index array, each below
    // `vertexCount` (RES_FILE_FORMAT_ERROR otherwise); the bytes were
    // checked to be there.
    static uint32_t ReadIndexBlock(Vek::MemoryFile& source, Vek::GeometryChunk* chunk, uint32_t indexCount,
                                   uint32_t vertexCount);
    // `n` vectors of 3 floats into an item of the chunk (read over when the
    // chunk lacks the item); the bytes were checked to be there.
    static void ReadVectorBlock(Vek::MemoryFile& source, Vek::GeometryChunk* chunk, int item, uint32_t n);
    virtual uint32_t ReadATCH(Vek::MemoryFile& source);
    virtual uint32_t ReadINFLorSKEL(Vek::MemoryFile& source);
    virtual uint32_t ReadBONE(Vek::ParticleBone* parent, Vek::MemoryFile& source, uint32_t depth = 0);
    virtual uint32_t ReadPMIN(Vek::MemoryFile& source);

    virtual uint32_t CreateMaterial(Vek::MaterialManager* manager, Vek::Resource* resource,
                                    const Vek::GeometryConfigData& config, uint32_t chunk);
    virtual uint32_t CreateChunkFromConfig(Vek::Resource* resource, const Vek::GeometryConfigData& config,
                                           uint32_t chunk, uint32_t vertexColour);
    virtual uint32_t CopyBonesFromConfig(const Vek::GeometryConfigData& config);
    virtual uint32_t CopyAttachmentsFromConfig(const Vek::GeometryConfigData& config);

    // The engine primitive type of a file's primitive code; -1 for none.
    static int PrimitiveTypeOfCode(uint32_t code);
    // A texture name stored in a mesh file, placed in the resource's folder
    // (its file-name part only) and lower-cased.
    static std::string ResolveTextureName(const Vek::Resource* resource, const char* stored);
    // "<database name>*<resource folder>*<stored name>": the name a mesh
    // asks the material manager for.
    static std::string DecorateMaterialName(const Vek::Resource* resource, const char* stored);

    // The creation hint of the load options (flags, usages, database).
    void StartHint(Vek::StandardChunkHint& hint, Vek::Resource* resource) const;
    // Default palette skin data on every vertex; false when an attribute is missing.
    static bool WriteDefaultSkinData(Vek::GeometryChunk* chunk, uint32_t weightsPerVertex, bool floatWeights);
    // Bone `bone`'s palette matrix and per-vertex palette data for one
    // chunk's weights (weights naming a vertex the chunk lacks are skipped);
    // false when the chunk is skinned in software, has too few vertices or
    // lacks the palette attributes.
    static bool AddPaletteWeights(Vek::GeometryChunk* chunk, uint32_t bone,
                                  const Vek::InfluenceDefinition::Entry& entry);

    void BuildSkeleton();
    void ComputeBounds();
    void ComputeTextureDetail();
    void ComputeOrientedBox();

    std::vector<std::string> missingMaterials;

private:
    static constexpr uint32_t kDroppedChunk = 0xFFFFFFFF;

    uint32_t RemoveLastChunk();
    // Gives each weight entry the place its chunk took in the mesh
    // (`places`: per chunk of the file, its place, or kDroppedChunk); the
    // entries of dropped chunks go.
    void MoveWeightsToKeptChunks(const std::vector<uint32_t>& places);
};
