#pragma once
// Writes chunked mesh files (.im, .pm) into memory for tests and benchmarks:
// a byte writer with the chunk framing (tag, size, version; little-endian
// values; padded strings as engine/meshfile/MeshFileSupport.h lays them
// out) and a small model of an indexed mesh that it turns into a file.
// Every field can be set, so that damaged and old-version files are made
// the same way as good ones.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace ImWriter {

class Bytes {
public:
    std::vector<uint8_t> data;

    void U32(uint32_t v) {
        for (int k = 0; k < 4; ++k) data.push_back(static_cast<uint8_t>(v >> (8 * k)));
    }
    void U16(uint16_t v) {
        data.push_back(static_cast<uint8_t>(v));
        data.push_back(static_cast<uint8_t>(v >> 8));
    }
    void F32(float f) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        U32(bits);
    }
    void Tag(const char* tag) { data.insert(data.end(), tag, tag + 4); }
    void Str(const std::string& s) {
        U32(static_cast<uint32_t>(s.size()));
        data.insert(data.end(), s.begin(), s.end());
        // The padding follows the text's length, not the position in the
        // file: a string after an odd number of 16-bit indices stands at a
        // position that is not a multiple of 4.
        for (std::size_t pad = (4 - s.size() % 4) % 4; pad > 0; --pad) data.push_back(0);
    }
    // Opens a chunk: tag, a size field filled by End, the version.
    std::size_t Begin(const char* tag, uint32_t version) {
        Tag(tag);
        std::size_t mark = data.size();
        U32(0);
        U32(version);
        return mark;
    }
    void End(std::size_t mark) { Patch(mark, static_cast<uint32_t>(data.size() - mark - 4)); }
    void Patch(std::size_t at, uint32_t v) {
        for (int k = 0; k < 4; ++k) data[at + k] = static_cast<uint8_t>(v >> (8 * k));
    }
};

struct Texture {
    uint32_t stage = 0;
    std::string file;
    float value = 1.0f;
};

struct MaterialModel {
    uint32_t version = 103;
    std::string name = "paint.m.onetex";
    std::vector<std::pair<std::string, std::string>> properties;
    uint32_t flag = 0;
    float scalar = 1.0f;
    float colours[4][3] = {{0.2f, 0.2f, 0.2f}, {0.8f, 0.8f, 0.8f}, {0.5f, 0.5f, 0.5f}, {0.4f, 0.4f, 0.4f}};
    float power = 20.0f;
    std::vector<Texture> textures;
};

struct ChunkModel {
    MaterialModel material;
    uint32_t geomVersion = 103;
    uint32_t primitiveCode = 4;  // triangle list
    uint32_t extendedFlags = 0;  // version 201 only
    float chunkValue = 0.0f;
    uint32_t faceCount = 0xFFFFFFFF;  // index count / 3 when left so
    uint32_t weightsPerVertex = 0;
    std::string boneName;  // version 200 and later
    std::vector<float> positions;  // 3 per vertex
    std::vector<float> uvs;  // 2 per vertex per set (texCoordSets sets)
    uint32_t texCoordSets = 1;
    std::vector<uint16_t> indices;
    std::vector<float> normals;  // 3 per vertex; zeros when left empty
    std::vector<uint32_t> colours;  // versions 104 to 199
    std::vector<float> faceNormals;  // 3 per face normal
    std::vector<float> extraVectors;  // extended flags bit 0
    std::vector<uint8_t> trailing;  // bytes after the fields, inside GEOM
    std::vector<uint32_t> neighbours;  // "NINF" when not empty
    uint32_t VertexCount() const { return static_cast<uint32_t>(positions.size() / 3); }
};

struct WeightModel {
    uint32_t vertex;
    float weight;
    float offset[3] = {0, 0, 0};
};

struct EntryModel {
    uint32_t chunk = 0;
    std::vector<WeightModel> weights;
};

struct BoneModel {
    std::string name, parent;
    float position[3] = {0, 0, 0};
    float matrix[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::vector<EntryModel> entries;
};

// A bone at the origin with no weights.
inline BoneModel Bone(const std::string& name, const std::string& parent) {
    BoneModel b;
    b.name = name;
    b.parent = parent;
    return b;
}

struct AttachmentModel {
    std::string name;
    float matrix[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    float position[3] = {0, 0, 0};
};

struct MeshModel {
    uint32_t infoVersion = 103;
    uint32_t maxInfluencesPerVertex = 0;
    uint32_t maxBonesPerChunk = 0;
    std::vector<ChunkModel> chunks;
    uint32_t chunkCountOverride = 0xFFFFFFFF;
    std::vector<BoneModel> bones;  // "INFL" when not empty
    uint32_t boneCountOverride = 0xFFFFFFFF;
    std::vector<AttachmentModel> attachments;  // "ATCH" when not empty
    // "PMIN" (version pminVersion) with these four table sizes when set.
    bool pmin = false;
    uint32_t pminVersion = 101;
    uint32_t pminSizes[4] = {2, 1, 1, 1};
};

inline void WriteMaterial(Bytes& b, const MaterialModel& m) {
    std::size_t mark = b.Begin("MATL", m.version);
    b.Str(m.name);
    b.U32(static_cast<uint32_t>(m.properties.size()));
    for (const auto& [k, v] : m.properties) {
        b.Str(k);
        b.Str(v);
    }
    b.U32(m.flag);
    b.F32(m.scalar);
    for (const auto& c : m.colours)
        for (float f : c) b.F32(f);
    b.F32(m.power);
    b.U32(static_cast<uint32_t>(m.textures.size()));
    for (const Texture& t : m.textures) {
        b.U32(t.stage);
        b.Str(t.file);
        b.F32(t.value);
    }
    b.End(mark);
}

inline void WriteGeometry(Bytes& b, const ChunkModel& c) {
    const uint32_t v = c.geomVersion;
    const uint32_t n = c.VertexCount();
    const uint32_t sets = (v >= 103 && v <= 199) ? c.texCoordSets : 1;
    std::size_t mark = b.Begin("GEOM", v);
    b.U32(c.primitiveCode);
    if (v == 201) b.U32(c.extendedFlags);
    b.F32(c.chunkValue);
    b.U32(n);
    b.U32(c.faceCount == 0xFFFFFFFF ? static_cast<uint32_t>(c.indices.size() / 3) : c.faceCount);
    b.U32(static_cast<uint32_t>(c.indices.size()));
    b.U32(static_cast<uint32_t>(c.faceNormals.size() / 3));
    if (v >= 103 && v <= 199) b.U32(sets);
    if (v >= 102) b.U32(c.weightsPerVertex);
    if (v >= 200) b.Str(c.boneName);
    for (uint32_t i = 0; i < n; ++i) {
        for (int k = 0; k < 3; ++k) b.F32(c.positions[3 * i + k]);
        for (uint32_t s = 0; s < sets; ++s)
            for (int k = 0; k < 2; ++k) {
                std::size_t at = (std::size_t(i) * c.texCoordSets + s) * 2 + k;
                b.F32(at < c.uvs.size() ? c.uvs[at] : 0.0f);
            }
    }
    for (uint16_t i : c.indices) b.U16(i);
    for (uint32_t i = 0; n && i < 3 * n; ++i) b.F32(i < c.normals.size() ? c.normals[i] : 0.0f);
    if (n && v >= 104 && v <= 199)
        for (uint32_t i = 0; i < n; ++i) b.U32(i < c.colours.size() ? c.colours[i] : 0xFFFFFFFFu);
    for (float f : c.faceNormals) b.F32(f);
    if ((c.extendedFlags & 1) && n && v == 201)
        for (uint32_t i = 0; i < 3 * n; ++i) b.F32(i < c.extraVectors.size() ? c.extraVectors[i] : 0.0f);
    b.data.insert(b.data.end(), c.trailing.begin(), c.trailing.end());
    b.End(mark);
}

inline void WriteChunk(Bytes& b, const ChunkModel& c) {
    std::size_t mark = b.Begin("CHNK", 100);
    b.U32(0);
    WriteMaterial(b, c.material);
    WriteGeometry(b, c);
    if (!c.neighbours.empty()) {
        std::size_t n = b.Begin("NINF", 100);
        for (uint32_t w : c.neighbours) b.U32(w);
        b.End(n);
    }
    b.End(mark);
}

inline void WriteInfluences(Bytes& b, const MeshModel& m) {
    std::size_t mark = b.Begin("INFL", 100);
    b.U32(m.boneCountOverride != 0xFFFFFFFF ? m.boneCountOverride : static_cast<uint32_t>(m.bones.size()));
    for (const BoneModel& bone : m.bones) {
        b.Str(bone.name);
        b.Str(bone.parent);
        for (float f : bone.position) b.F32(f);
        for (float f : bone.matrix) b.F32(f);
        b.U32(static_cast<uint32_t>(bone.entries.size()));
        for (const EntryModel& e : bone.entries) {
            b.U32(e.chunk);
            b.U32(static_cast<uint32_t>(e.weights.size()));
            for (const WeightModel& w : e.weights) {
                b.U32(w.vertex);
                b.F32(w.weight);
                for (float f : w.offset) b.F32(f);
            }
        }
    }
    b.End(mark);
}

// The whole file; the envelope's size covers everything written.
inline std::vector<uint8_t> Write(const MeshModel& m) {
    Bytes b;
    b.Tag("VIRF");
    std::size_t sizeMark = b.data.size();
    b.U32(0);
    b.Tag("IDXM");
    std::size_t info = b.Begin("INFO", m.infoVersion);
    for (float f : {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f}) b.F32(f);
    b.U32(m.chunkCountOverride != 0xFFFFFFFF ? m.chunkCountOverride : static_cast<uint32_t>(m.chunks.size()));
    if (m.infoVersion >= 102) {
        b.U32(m.maxInfluencesPerVertex);
        b.U32(m.maxBonesPerChunk);
    }
    if (m.infoVersion == 104)
        for (int k = 0; k < 6; ++k) b.F32(0.0f);
    b.End(info);
    for (const ChunkModel& c : m.chunks) WriteChunk(b, c);
    if (!m.bones.empty() || m.boneCountOverride != 0xFFFFFFFF) WriteInfluences(b, m);
    if (!m.attachments.empty()) {
        std::size_t mark = b.Begin("ATCH", 100);
        b.U32(static_cast<uint32_t>(m.attachments.size()));
        for (const AttachmentModel& a : m.attachments) {
            b.Str(a.name);
            for (float f : a.matrix) b.F32(f);
            for (float f : a.position) b.F32(f);
        }
        b.End(mark);
    }
    if (m.pmin) {
        std::size_t mark = b.Begin("PMIN", m.pminVersion);
        const uint32_t* s = m.pminSizes;
        for (int k = 0; k < 4; ++k) b.U32(s[k]);
        for (uint32_t i = 0; i < s[0]; ++i) b.U32(i);
        for (uint32_t i = 0; i < s[1]; ++i)
            for (int k = 0; k < 4; ++k) b.U32(k == 3 ? 1 : 0);
        for (uint32_t i = 0; i < s[2]; ++i) {
            b.U32(0);
            b.U32(1);
        }
        for (uint32_t i = 0; i < s[3]; ++i) b.U32(1);
        b.End(mark);
    }
    b.Patch(sizeMark, static_cast<uint32_t>(b.data.size() - sizeMark - 4));
    return b.data;
}

// A unit quad in the x-y plane: 4 vertices, 2 triangles, texture
// coordinates equal to the positions times `uvScale`.
inline ChunkModel Quad(float size = 1.0f, float uvScale = 1.0f) {
    ChunkModel c;
    c.positions = {0, 0, 0, size, 0, 0, size, size, 0, 0, size, 0};
    c.uvs = {0, 0, uvScale, 0, uvScale, uvScale, 0, uvScale};
    c.indices = {0, 1, 2, 0, 2, 3};
    return c;
}

}  // namespace ImWriter
