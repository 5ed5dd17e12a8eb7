#pragma once
// A level-of-detail mesh: an ordered set of complete indexed meshes
// (levels), the switch distances and cut-offs that decide which level an
// instance draws, named extra levels ("collision"), one bone table shared by
// all levels with per-level skin weights, and the attachment points of the
// first level. Filled once, from an .lm file (Read) or from an "lm.txt"
// description (LoadText), then read-only; instances copy the level records
// and share their chunk and material arrays.
//
// The .lm layout (chunk framing of MeshChunkReader.h, little-endian):
//   "VIRF", size, "LODM",
//   "INFO" 100: 7 floats (info vector, orientation), level count, calc
//       point, offset, multiplier, animation, render and attachment
//       cut-offs, named-level count and per named level: level, padded
//       name, one byte "animated";
//   "MATT" 100: material count, then that many "MATL" 103 (name,
//       properties, flag, scalar, four colours as 3 floats with the last
//       stored doubled, power, textures);
//   optional "BONT" 100 (bone table) or "RBOT" 100 (rigid bone tree):
//       count, then name, parent, 3 floats position, 9 floats matrix;
//   optional "ATCH" 100 (as in .im; ":Cull" marks a culled attachment);
//   one "MESH" 100 per level: chunk count, largest influences per vertex,
//       largest bones per chunk, switch distance (-1 for a named level),
//       optional "LODB" 100 (per bone: entries of chunk, weights of vertex,
//       weight, offset), chunk count "LCHK" 100 (index, material index,
//       "GEOM" 101-201, optional "NINF" 100).
//
// Counts read from a file are checked against the bytes that remain before
// they drive an allocation or a loop; vertex, weight and material indices
// are checked against what they index.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/File.h"
#include "engine/PString.h"
#include "meshes/definitions/VorlexIndexedMeshDefinition.h"
#include "meshes/lod/LODBone.h"
#include "meshes/lod/LODLevel.h"

namespace Vek {
class ConfigData;
}

class VorlexIndexedMeshLODDefinition : public VorlexIndexedMeshDefinition {
public:
    explicit VorlexIndexedMeshLODDefinition(const MeshLoadOptions& options = {});
    ~VorlexIndexedMeshLODDefinition() override;

    // Reads an .lm file: the data of OpenMemory/OpenFile when already
    // there, else the file of `fileName` in the resource's database.
    uint32_t Read(Vek::Display* display, Vek::MaterialManager* manager, Vek::Resource* resource,
                  const char* fileName, uint32_t vertexColour) override;
    // Gives every skinned chunk of every level its palette matrices and
    // per-vertex palette data from the bone table.
    void BuildBonePalettes() override;

    // Builds the definition from an "lm.txt" description (each level an
    // .im or .imtxt file inside the resource's database).
    virtual uint32_t LoadText(Vek::Display* display, Vek::MaterialManager* manager, Vek::Resource* resource,
                              const char* fileName, uint32_t vertexColour);
    // Writes the whole .lm file: 1 (nothing written) without levels, else 0.
    virtual uint32_t WriteLOD(Vek::File& out);
    // Appends the skin weights of the level being added (the next level)
    // to the bone table from the bone records of that level's indexed mesh
    // (matched by name). False when a bone of the table is missing from
    // `records`.
    virtual bool AddLevelInfluences(const std::vector<Vek::InfluenceDefinition>& records);

    // The weights of a level in a bone's sets, or null for a level without
    // weights.
    const LODBoneInfluences* GetLevelInfluences(const LODBone& bone, uint32_t level) const;

    // ---- levels ----
    uint32_t GetLevelCount() const { return levels ? static_cast<uint32_t>(levels->size()) : 0; }
    const LODLevel* GetLevel(uint32_t i) const { return levels && i < levels->size() ? &(*levels)[i] : nullptr; }
    // The level of a name (interned identity), or -1.
    int FindNamedLevel(const Vek::PString& levelName) const;
    // The index of the last distance level (levels with a switch distance).
    uint32_t GetLastDistanceLevel() const {
        return switchDistances.empty() ? 0 : static_cast<uint32_t>(switchDistances.size() - 1);
    }
    // ---- load completion (the resource's) ----
    // Loads the pending textures of the per-level definitions of a text
    // build and drops those definitions.
    void FinishLevelDefinitions();
    // Each material of a later level is replaced by the first material of
    // the earlier levels (levels in order, chunks in order) that equals it
    // (same type, same values); when that first one is the material itself,
    // it stays.
    void ShareLevelMaterials();
    // The display buffers of every chunk of every level; RES_FILE_DATA_ERROR
    // when one fails, else 0.
    uint32_t InitializeLevelBuffers(Vek::Display* display);

    // The estimate of the memory the definition's data takes (the
    // resource's data size).
    uint32_t CalculateLODDataSize() const;

    // ---- data ----
    std::vector<float> switchDistances;
    uint32_t calcPoint = 0;  // 0 centre, 1 near, 2 far
    float offset = 0.0f;
    float multiplier = 1.0f;
    float animationCutOff = 0.0f;
    float renderCutOff = 0.0f;
    float attachmentCutOff = 0.0f;
    std::vector<Vek::PString> culledAttachments;
    std::shared_ptr<NamedLevelBlock> namedLevels;
    uint32_t levelCount = 0;
    std::shared_ptr<LODLevelBlock> levels;
    std::vector<LODBone> boneTable;
    // The level of each influence set of the bones (set k of every bone is
    // level influenceLevels[k]), ascending: the levels that have weights.
    std::vector<uint32_t> influenceLevels;
    // Per-level definitions of a text build, kept until load completion.
    std::vector<std::unique_ptr<VorlexIndexedMeshDefinition>> subDefinitions;

protected:
    uint32_t ReadINFO(Vek::MemoryFile& source) override;

    virtual void WriteInfo(Vek::File& out) const;
    virtual void WriteBoneTable(Vek::File& out) const;
    virtual uint32_t ReadBoneTable(Vek::MemoryFile& source);
    virtual void WriteMaterials(Vek::File& out, std::vector<Vek::Material*>& list) const;
    virtual uint32_t ReadMaterials(Vek::MaterialManager* manager, Vek::Resource* resource, Vek::MemoryFile& source);
    virtual void WriteMaterial(Vek::File& out, const Vek::Material& material) const;
    virtual uint32_t ReadMaterial(Vek::MaterialManager* manager, Vek::Resource* resource, Vek::MemoryFile& source);
    virtual void WriteMesh(Vek::File& out, uint32_t level, const std::vector<Vek::Material*>& list) const;
    virtual uint32_t ReadMesh(Vek::Resource* resource, Vek::MemoryFile& source, uint32_t level,
                              uint32_t vertexColour);
    virtual void WriteLevelInfluences(Vek::File& out, uint32_t level) const;
    virtual uint32_t ReadLevelInfluences(Vek::MemoryFile& source, uint32_t level);
    virtual void WriteLevelChunk(Vek::File& out, uint32_t level, uint32_t chunk,
                                 const std::vector<Vek::Material*>& list) const;
    virtual uint32_t ReadLevelChunk(Vek::Resource* resource, Vek::MemoryFile& source, uint32_t level,
                                    uint32_t chunk, uint32_t vertexColour);
    virtual void WriteGeometry(Vek::File& out, uint32_t level, uint32_t chunk) const;
    virtual uint32_t ReadGeometry(Vek::Resource* resource, Vek::MemoryFile& source, uint32_t level,
                                  uint32_t chunk, uint32_t vertexColour);
    virtual void WriteAttachments(Vek::File& out) const;
    virtual void WriteFaceNeighbours(Vek::File& out, const Vek::GeometryChunk& chunk) const;
    virtual uint32_t ReadFaceNeighbours(Vek::MemoryFile& source, Vek::GeometryChunk* chunk);

    // The rigid bone tree ("RBOT") of a mesh with a skeleton and no table.
    void WriteRigidBones(Vek::File& out) const;
    uint32_t ReadRigidBones(Vek::MemoryFile& source);
    // The position in `namedLevels` of the first name of a level, or -1
    // (from the names read by ReadINFO).
    int FindNamedIndex(uint32_t level) const;
    // The position of a level's set among each bone's sets, or -1.
    int FindInfluenceSet(uint32_t level) const;
    // Builds `skeletonRoot` from the bone table.
    void BuildSkeletonFromTable();
    // Cuts ":Cull" (any letter case) out of attachment names and lists them.
    void ProcessCulledAttachments();
    // Makes level `i` the current one of the base (chunks, materials, counts).
    void MakeLevelCurrent(uint32_t i);
    // The per-level largest influences per vertex and bones per chunk,
    // and a chunk's weights per vertex, from the bone table.
    void LevelStatistics(uint32_t level, uint32_t& influencesPerVertex, uint32_t& bonesPerChunk) const;
    uint32_t ChunkWeightsPerVertex(uint32_t level, uint32_t chunk) const;

    // ---- the text build (lm.txt) ----
    // Loads one level file (named relative to the description) and appends
    // it as a level; the first level also gives the bones and attachments.
    uint32_t LoadLevel(Vek::Display* display, Vek::MaterialManager* manager, Vek::Resource* resource,
                       const std::string& description, const std::string& levelFile, bool first,
                       uint32_t vertexColour);
    void ReadTextParameters(const Vek::ConfigData& root);

private:
    std::size_t m_fileEnd = 0;
    // Per level named in "INFO": the position of its first name.
    std::unordered_map<uint32_t, uint32_t> m_firstNameOfLevel;
    // The chunks and materials of the level being read.
    std::vector<Vek::AutoReference<Vek::GeometryChunk>> m_levelChunks;
    std::vector<Vek::AutoReference<Vek::Material>> m_levelMaterials;
    // The bone names of the first level, which select the bones of the
    // later levels of a text build.
    std::vector<Vek::PString> m_boneNames;
};
