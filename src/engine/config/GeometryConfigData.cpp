#include "engine/config/GeometryConfigData.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Vek {

namespace {

bool ReadVector(const ConfigData& item, Vector3& v) {
    float f[3];
    if (!item.GetFloats(f, 3)) return false;
    v = {f[0], f[1], f[2]};
    return true;
}

bool ReadQuaternion(const ConfigData& item, Quaternion& q) {
    float f[4];
    if (!item.GetFloats(f, 4)) return false;
    q = {f[0], f[1], f[2], f[3]};
    return true;
}

bool ReadColour(const ConfigData& item, GeometryConfigData::Colour& colour) {
    float f[4] = {0, 0, 0, 1};
    if (!item.GetFloats(f, 3) && !item.GetFloats(f, 4)) return false;
    colour = {f[0], f[1], f[2], f[3]};
    return true;
}

// Reads an optional count item; absent leaves the default.
bool ReadCount(const ConfigData& parent, const char* key, uint32_t& value, uint32_t limit) {
    const ConfigData& item = parent(key);
    if (item.IsUnknown()) return true;
    uint32_t read = 0;
    if (!(item >> read) || read > limit) return false;
    value = read;
    return true;
}

// A whole number from 0 up to (not including) `limit`, tested before any
// conversion to an integer.
bool IsIndexBelow(float value, uint32_t limit) {
    return value >= 0.0f && value < float(limit) && value == std::floor(value);
}

template <typename T>
void CopyStrided(const std::vector<T>& source, const CopyDestination& destination) {
    if (!destination.data) return;
    auto* out = static_cast<uint8_t*>(destination.data);
    for (std::size_t i = 0; i < source.size(); ++i) std::memcpy(out + i * destination.stride, &source[i], sizeof(T));
}

}  // namespace

bool GeometryConfigData::Fail(const std::string& what) {
    m_chunks.clear();
    m_bones.clear();
    m_attachments.clear();
    m_error = m_path + ": " + what;
    return false;
}

bool GeometryConfigData::LoadConfigData(const ConfigData& root, bool materials, bool bones, bool attachments,
                                        const char* path) {
    *this = GeometryConfigData{};
    m_path = path ? path : "";
    if (root.IsUnknown()) return Fail("no description");

    const ConfigData& info = root("info");
    if (!info.IsUnknown() && !info.GetFloats(infoVector, 3)) return Fail("\"info\" needs three numbers");
    const ConfigData& orientation = root("orientation");
    if (!orientation.IsUnknown() && !ReadQuaternion(orientation, m_orientation))
        return Fail("\"orientation\" needs four numbers");

    uint32_t chunkCount = root.Count("chunk");
    m_chunks.resize(chunkCount);
    for (uint32_t c = 0; c < chunkCount; ++c)
        if (!ReadChunk(root("chunk", c), m_chunks[c], materials)) return false;

    if (bones) {
        uint32_t boneCount = root.Count("bone");
        m_bones.resize(boneCount);
        for (uint32_t b = 0; b < boneCount; ++b)
            if (!ReadBone(root("bone", b), m_bones[b])) return false;
    }
    if (attachments) {
        uint32_t count = root.Count("attachment");
        m_attachments.resize(count);
        for (uint32_t a = 0; a < count; ++a) {
            const ConfigData& item = root("attachment", a);
            Attachment& attachment = m_attachments[a];
            item("name") >> attachment.name;
            const ConfigData& position = item("position");
            const ConfigData& turn = item("orientation");
            if ((!position.IsUnknown() && !ReadVector(position, attachment.position)) ||
                (!turn.IsUnknown() && !ReadQuaternion(turn, attachment.orientation)))
                return Fail("an attachment's position or orientation is not numeric");
        }
    }

    // The largest weights on one vertex and bones on one chunk, counted from
    // the bones unless the text gives them.
    uint32_t countedInfluences = 0, countedBones = 0;
    for (uint32_t c = 0; c < m_chunks.size(); ++c) {
        std::vector<uint32_t> perVertex(m_chunks[c].positions.size(), 0);
        uint32_t bonesOnChunk = 0;
        for (const Bone& bone : m_bones) {
            bool touches = false;
            for (const auto& entry : bone.entries) {
                if (entry.chunk != c) continue;
                touches = true;
                for (const auto& weight : entry.weights) countedInfluences = std::max(countedInfluences, ++perVertex[weight.vertex]);
            }
            bonesOnChunk += touches;
        }
        countedBones = std::max(countedBones, bonesOnChunk);
    }
    maxInfluencesPerVertex = countedInfluences;
    maxBonesPerChunk = countedBones;
    if (!ReadCount(root, "maxinfluences", maxInfluencesPerVertex, 0xFFFF) ||
        !ReadCount(root, "maxbonesperchunk", maxBonesPerChunk, 0xFFFF))
        return Fail("\"maxinfluences\" or \"maxbonesperchunk\" is not a count");
    return true;
}

bool GeometryConfigData::ReadChunk(const ConfigData& item, Chunk& chunk, bool materials) {
    if (!ReadCount(item, "texcoordsets", chunk.texCoordSetCount, kMaxTexCoordSets))
        return Fail("\"texcoordsets\" must be 0 to 8");
    if (!ReadCount(item, "weightspervertex", chunk.weightsPerVertex, kMaxWeightsPerVertex))
        return Fail("\"weightspervertex\" must be 0 to 4");
    uint32_t vertexCount = item.Count("vertex");
    if (vertexCount > kMaxChunkVertices) return Fail("a chunk has more than 65536 vertices");
    uint32_t sets = chunk.texCoordSetCount;
    uint32_t fields = 6 + 2 * sets;
    chunk.positions.resize(vertexCount);
    chunk.normals.resize(vertexCount);
    chunk.texCoords.resize(std::size_t(vertexCount) * sets);
    std::vector<float> values(fields);
    for (uint32_t v = 0; v < vertexCount; ++v) {
        if (!item("vertex", v).GetFloats(values.data(), fields))
            return Fail("a vertex needs " + std::to_string(fields) + " numbers");
        chunk.positions[v] = {values[0], values[1], values[2]};
        chunk.normals[v] = {values[3], values[4], values[5]};
        for (uint32_t k = 0; k < sets; ++k) chunk.texCoords[std::size_t(v) * sets + k] = {values[6 + 2 * k], values[7 + 2 * k]};
    }
    for (const char* key : {"colour", "colour2"}) {
        std::vector<uint32_t>& colours = key[6] ? chunk.colours2 : chunk.colours;
        uint32_t count = item.Count(key);
        if (count != 0 && count != vertexCount) return Fail(std::string("\"") + key + "\" must be given once per vertex");
        colours.resize(count);
        for (uint32_t v = 0; v < count; ++v)
            if (!(item(key, v) >> colours[v])) return Fail("a colour is not a 32-bit number");
    }
    uint32_t faceCount = item.Count("face");
    chunk.indices.resize(std::size_t(faceCount) * 3);
    for (uint32_t f = 0; f < faceCount; ++f) {
        const ConfigData& face = item("face", f);
        if (face.GetValueCount() != 3) return Fail("a face needs three indices");
        for (uint32_t k = 0; k < 3; ++k) {
            float index = -1;
            if (!face.GetFloat(k, index) || !IsIndexBelow(index, vertexCount))
                return Fail("a face index is not below the vertex count");
            chunk.indices[std::size_t(f) * 3 + k] = static_cast<uint16_t>(index);
        }
    }
    uint32_t normalCount = item.Count("facenormal");
    chunk.faceNormals.resize(normalCount);
    for (uint32_t n = 0; n < normalCount; ++n)
        if (!ReadVector(item("facenormal", n), chunk.faceNormals[n])) return Fail("a face normal needs three numbers");
    if (materials && !ReadMaterial(item("material"), chunk.material)) return false;
    return true;
}

bool GeometryConfigData::ReadMaterial(const ConfigData& item, MaterialData& material) {
    if (item.IsUnknown()) return true;
    item("name") >> material.name;
    const ConfigData& flag = item("flag");
    if (!flag.IsUnknown() && !(flag >> material.flag)) return Fail("a material's \"flag\" is not a truth value");
    const ConfigData& scalar = item("scalar");
    if (!scalar.IsUnknown() && !(scalar >> material.scalar)) return Fail("a material's \"scalar\" is not a number");
    struct {
        const char* key;
        Colour* colour;
    } colours[] = {{"ambient", &material.ambient},
                   {"diffuse", &material.diffuse},
                   {"specular", &material.specular},
                   {"emissive", &material.emissive}};
    for (auto& entry : colours) {
        const ConfigData& colour = item(entry.key);
        if (!colour.IsUnknown() && !ReadColour(colour, *entry.colour))
            return Fail(std::string("a material's \"") + entry.key + "\" needs three or four numbers");
    }
    const ConfigData& power = item("power");
    if (!power.IsUnknown() && (!(power >> material.power) || material.power < 0 || material.power > 1))
        return Fail("a material's \"power\" must be 0 to 1");
    uint32_t textures = item.Count("texture");
    for (uint32_t t = 0; t < textures; ++t) {
        const ConfigData& texture = item("texture", t);
        MeshTextureDefinition definition;
        float stage = -1;
        definition.value = 1.0f;
        if (texture.GetValueCount() < 2 || texture.GetValueCount() > 3 || !texture.GetFloat(0, stage) || stage < 0 ||
            !IsIndexBelow(stage, 8) ||
            (texture.GetValueCount() == 3 && !texture.GetFloat(2, definition.value)))
            return Fail("a texture needs a stage 0 to 7, a file name and an optional value");
        definition.stage = static_cast<uint32_t>(stage);
        definition.fileName = texture.GetValue(1).c_str();
        material.textures.push_back(std::move(definition));
    }
    uint32_t properties = item.Count("property");
    for (uint32_t p = 0; p < properties; ++p) {
        const ConfigData& property = item("property", p);
        if (property.GetValueCount() != 2) return Fail("a property needs a key and a value");
        material.properties.emplace_back(property.GetValue(0), property.GetValue(1));
    }
    return true;
}

bool GeometryConfigData::ReadBone(const ConfigData& item, Bone& bone) {
    item("name") >> bone.name;
    item("parent") >> bone.parentName;
    const ConfigData& position = item("position");
    const ConfigData& orientation = item("orientation");
    if ((!position.IsUnknown() && !ReadVector(position, bone.position)) ||
        (!orientation.IsUnknown() && !ReadQuaternion(orientation, bone.orientation)))
        return Fail("a bone's position or orientation is not numeric");
    uint32_t entries = item.Count("entry");
    for (uint32_t e = 0; e < entries; ++e) {
        const ConfigData& entryItem = item("entry", e);
        InfluenceDefinition::Entry entry;
        if (!(entryItem("chunk") >> entry.chunk) || entry.chunk >= m_chunks.size())
            return Fail("a bone entry names a chunk that does not exist");
        uint32_t weights = entryItem.Count("weight");
        uint32_t vertexCount = static_cast<uint32_t>(m_chunks[entry.chunk].positions.size());
        entry.weights.resize(weights);
        for (uint32_t w = 0; w < weights; ++w) {
            float f[5];
            if (!entryItem("weight", w).GetFloats(f, 5) || !IsIndexBelow(f[0], vertexCount))
                return Fail("a weight needs a vertex of its chunk, a weight and an offset");
            entry.weights[w] = {uint32_t(f[0]), f[1], {f[2], f[3], f[4]}};
        }
        bone.entries.push_back(std::move(entry));
    }
    return true;
}

uint32_t GeometryConfigData::GetMaxVertices() const {
    uint32_t most = 0;
    for (const Chunk& chunk : m_chunks) most = std::max(most, static_cast<uint32_t>(chunk.positions.size()));
    return most;
}

void GeometryConfigData::CopyPositions(uint32_t chunk, const CopyDestination& destination) const {
    CopyStrided(m_chunks[chunk].positions, destination);
}

void GeometryConfigData::CopyTexCoords(uint32_t chunk, uint32_t set, const CopyDestination& destination) const {
    const Chunk& c = m_chunks[chunk];
    if (set >= c.texCoordSetCount || !destination.data) return;
    auto* out = static_cast<uint8_t*>(destination.data);
    for (std::size_t v = 0; v < c.positions.size(); ++v)
        std::memcpy(out + v * destination.stride, &c.texCoords[v * c.texCoordSetCount + set], sizeof(Vector2));
}

void GeometryConfigData::CopyIndices(uint32_t chunk, uint16_t* destination) const {
    const auto& indices = m_chunks[chunk].indices;
    if (destination && !indices.empty()) std::memcpy(destination, indices.data(), indices.size() * sizeof(uint16_t));
}

void GeometryConfigData::CopyNormals(uint32_t chunk, const CopyDestination& destination) const {
    CopyStrided(m_chunks[chunk].normals, destination);
}

void GeometryConfigData::CopyColours(uint32_t chunk, const CopyDestination& destination, uint32_t defaultColour,
                                     bool primary) const {
    const Chunk& c = m_chunks[chunk];
    const std::vector<uint32_t>& colours = primary ? c.colours : c.colours2;
    if (!colours.empty()) return CopyStrided(colours, destination);
    std::vector<uint32_t> filled(c.positions.size(), defaultColour);
    CopyStrided(filled, destination);
}

void GeometryConfigData::CopyFaceNormals(uint32_t chunk, Vector3* destination) const {
    const auto& normals = m_chunks[chunk].faceNormals;
    if (destination) std::copy(normals.begin(), normals.end(), destination);
}

const char* GeometryConfigData::GetMaterialProperty(uint32_t chunk, uint32_t index, bool value) const {
    const auto& properties = m_chunks[chunk].material.properties;
    if (index >= properties.size()) return "";
    return value ? properties[index].second.c_str() : properties[index].first.c_str();
}

}  // namespace Vek
