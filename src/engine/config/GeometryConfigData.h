#pragma once
// The interpreter of a geometry description text (".imtxt"), parsed by the
// ConfigParser (engine/config/ConfigParser.h gives the token syntax).
//
// Items of the text (keys ignore case; numbers in the C locale):
//   version 1.00                      optional (see ConfigParser)
//   info X Y Z                        three floats kept with the mesh; 0 0 0
//   orientation X Y Z W               the mesh orientation; identity
//   maxinfluences N                   largest weights per vertex; by default
//                                     counted from the bones
//   maxbonesperchunk N                largest bones on one chunk; by default
//                                     counted from the bones
//   chunk { ... }                     repeated, one per geometry chunk:
//       texcoordsets N                texture-coordinate sets, 0 to 8; 1
//       weightspervertex N            0 to 4; 0
//       vertex PX PY PZ NX NY NZ U0 V0 ... one per vertex: position, normal
//                                     and N texture-coordinate pairs
//       colour C / colour2 C          one per vertex or none: 32-bit colours
//                                     (decimal or 0x hexadecimal)
//       face I0 I1 I2                 a triangle; each index below the
//                                     vertex count
//       facenormal X Y Z              face normals, any number
//       material { ... }              the chunk's material:
//           name TEXT                 the material name
//           flag BOOL  scalar F       false, 1.0
//           ambient|diffuse|specular|emissive R G B [A]   RGBA 0..1;
//                                     defaults 1 1 1 1 (emissive 0 0 0 1)
//           power P                   0 to 1; 0
//           texture STAGE FILE [VALUE]    repeated; value 1.0
//           property KEY VALUE        repeated
//   bone { ... }                      repeated:
//       name TEXT  parent TEXT        parent empty (or missing) for a root
//       position X Y Z  orientation X Y Z W
//       entry { chunk C  weight VERTEX W OX OY OZ (repeated) }   repeated
//   attachment { name TEXT  position X Y Z  orientation X Y Z W }  repeated
//
// Every count and index is checked against what the text holds: a vertex
// with the wrong number of values, an index at or past its chunk's vertex
// count, more than 65536 vertices in a chunk, a bone entry naming a chunk or
// vertex that does not exist, or a value that is not a number makes the
// load fail, and a failed load keeps nothing (GetMaxVertices gives 0).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/PString.h"
#include "engine/Vector.h"
#include "engine/config/ConfigData.h"
#include "engine/meshfile/InfluenceDefinition.h"
#include "engine/meshfile/MeshFileSupport.h"

namespace Vek {

class GeometryConfigData {
public:
    static constexpr uint32_t kMaxChunkVertices = 65536;
    static constexpr uint32_t kMaxTexCoordSets = 8;
    static constexpr uint32_t kMaxWeightsPerVertex = 4;

    struct Colour {
        float r = 1.0f, g = 1.0f, b = 1.0f, a = 1.0f;
    };
    struct MaterialData {
        PString name;
        std::vector<MeshTextureDefinition> textures;
        bool flag = false;
        float scalar = 1.0f;
        Colour ambient, diffuse, specular, emissive{0.0f, 0.0f, 0.0f, 1.0f};
        float power = 0.0f;
        std::vector<std::pair<std::string, std::string>> properties;
    };
    struct Chunk {
        uint32_t texCoordSetCount = 1;
        uint32_t weightsPerVertex = 0;
        std::vector<Vector3> positions;
        std::vector<Vector3> normals;
        std::vector<Vector2> texCoords;  // vertex-major: vertex v, set k at v * sets + k
        std::vector<uint32_t> colours, colours2;
        std::vector<uint16_t> indices;
        std::vector<Vector3> faceNormals;
        MaterialData material;
    };
    struct Bone {
        PString name, parentName;
        Vector3 position;
        Quaternion orientation;
        std::vector<InfluenceDefinition::Entry> entries;
    };
    struct Attachment {
        PString name;
        Vector3 position;
        Quaternion orientation;
    };

    // Reads the tree. The flags select materials, bones and attachments;
    // the path is kept for messages. False (and nothing kept) on bad data.
    bool LoadConfigData(const ConfigData& root, bool materials, bool bones, bool attachments, const char* path);
    const std::string& GetError() const { return m_error; }

    float infoVector[3] = {0, 0, 0};
    uint32_t maxInfluencesPerVertex = 0;
    uint32_t maxBonesPerChunk = 0;

    uint32_t GetMaxVertices() const;
    uint32_t GetNumChunks() const { return static_cast<uint32_t>(m_chunks.size()); }
    Quaternion GetOrientation() const { return m_orientation; }

    // Per chunk (indices below GetNumChunks()).
    const Chunk& GetChunk(uint32_t chunk) const { return m_chunks[chunk]; }
    uint32_t GetVertexCount(uint32_t chunk) const { return static_cast<uint32_t>(m_chunks[chunk].positions.size()); }
    uint32_t GetIndexCount(uint32_t chunk) const { return static_cast<uint32_t>(m_chunks[chunk].indices.size()); }
    uint32_t GetFaceNormalCount(uint32_t chunk) const { return static_cast<uint32_t>(m_chunks[chunk].faceNormals.size()); }
    uint32_t GetTexCoordSetCount(uint32_t chunk) const { return m_chunks[chunk].texCoordSetCount; }
    uint32_t GetWeightsPerVertex(uint32_t chunk) const { return m_chunks[chunk].weightsPerVertex; }
    void CopyPositions(uint32_t chunk, const CopyDestination& destination) const;
    void CopyTexCoords(uint32_t chunk, uint32_t set, const CopyDestination& destination) const;
    void CopyIndices(uint32_t chunk, uint16_t* destination) const;
    void CopyNormals(uint32_t chunk, const CopyDestination& destination) const;
    void CopyColours(uint32_t chunk, const CopyDestination& destination, uint32_t defaultColour, bool primary) const;
    void CopyFaceNormals(uint32_t chunk, Vector3* destination) const;
    const MaterialData& GetMaterial(uint32_t chunk) const { return m_chunks[chunk].material; }
    uint32_t GetMaterialPropertyCount(uint32_t chunk) const {
        return static_cast<uint32_t>(m_chunks[chunk].material.properties.size());
    }
    // Key (value false) or value (value true) of a property; "" past the end.
    const char* GetMaterialProperty(uint32_t chunk, uint32_t index, bool value) const;

    uint32_t GetBoneCount() const { return static_cast<uint32_t>(m_bones.size()); }
    const Bone& GetBone(uint32_t bone) const { return m_bones[bone]; }
    uint32_t GetAttachmentCount() const { return static_cast<uint32_t>(m_attachments.size()); }
    const Attachment& GetAttachment(uint32_t attachment) const { return m_attachments[attachment]; }

private:
    bool Fail(const std::string& what);
    bool ReadChunk(const ConfigData& item, Chunk& chunk, bool materials);
    bool ReadMaterial(const ConfigData& item, MaterialData& material);
    bool ReadBone(const ConfigData& item, Bone& bone);

    Quaternion m_orientation;
    std::vector<Chunk> m_chunks;
    std::vector<Bone> m_bones;
    std::vector<Attachment> m_attachments;
    std::string m_path;
    std::string m_error;
};

}  // namespace Vek
