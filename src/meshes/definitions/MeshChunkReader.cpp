#include "meshes/definitions/MeshChunkReader.h"

#include <cstring>

#include "meshes/definitions/MeshResult.h"

namespace MeshChunk {

uint32_t LoadU32(const uint8_t* b) {
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

float LoadFloat(const uint8_t* bytes) {
    uint32_t bits = LoadU32(bytes);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

Vek::Vector3 LoadVector3(const uint8_t* bytes) {
    return {LoadFloat(bytes), LoadFloat(bytes + 4), LoadFloat(bytes + 8)};
}

bool ReadWeightEntry(Vek::MemoryFile& file, Vek::InfluenceDefinition::Entry& entry) {
    constexpr std::size_t kRecord = 20;
    uint32_t weights = 0;
    if (!ReadU32(file, entry.chunk) || !ReadU32(file, weights) || !file.Holds(weights, kRecord)) return false;
    entry.weights.resize(weights);
    const uint8_t* block = file.GetData() + file.GetPosition();
    for (uint32_t w = 0; w < weights; ++w) {
        const uint8_t* r = block + kRecord * w;
        entry.weights[w].vertex = LoadU32(r);
        entry.weights[w].weight = LoadFloat(r + 4);
        entry.weights[w].offset = LoadVector3(r + 8);
    }
    file.Skip(kRecord * weights);
    return true;
}

bool ReadU32(Vek::MemoryFile& file, uint32_t& value) {
    uint8_t bytes[4];
    if (!file.Read(bytes, 4)) return false;
    value = LoadU32(bytes);
    return true;
}

bool ReadFloat(Vek::MemoryFile& file, float& value) {
    uint8_t bytes[4];
    if (!file.Read(bytes, 4)) return false;
    value = LoadFloat(bytes);
    return true;
}

bool ReadFloats(Vek::MemoryFile& file, float* values, std::size_t count) {
    if (!file.Holds(count, 4)) return false;
    const uint8_t* p = file.GetData() + file.GetPosition();
    for (std::size_t i = 0; i < count; ++i) values[i] = LoadFloat(p + 4 * i);
    file.Skip(count * 4);
    return true;
}

uint32_t ReadSizeAndVersion(Vek::MemoryFile& file, std::initializer_list<uint32_t> accepted, Header& header) {
    if (!ReadU32(file, header.size)) return RES_FILE_FORMAT_ERROR;
    header.end = file.GetPosition() + header.size;
    if (!ReadU32(file, header.version)) return RES_FILE_FORMAT_ERROR;
    for (uint32_t v : accepted)
        if (v == header.version) return RES_OK;
    return RES_FILE_VERSION_ERROR;
}

uint32_t ReadSizeAndVersion(Vek::MemoryFile& file, uint32_t lowest, uint32_t highest, Header& header) {
    if (!ReadU32(file, header.size)) return RES_FILE_FORMAT_ERROR;
    header.end = file.GetPosition() + header.size;
    if (!ReadU32(file, header.version)) return RES_FILE_FORMAT_ERROR;
    return header.version >= lowest && header.version <= highest ? RES_OK : RES_FILE_VERSION_ERROR;
}

uint32_t ReadRequired(Vek::MemoryFile& file, const char* tag, std::initializer_list<uint32_t> accepted,
                      Header& header) {
    if (!file.ReadTagIs(tag)) return RES_FILE_FORMAT_ERROR;
    return ReadSizeAndVersion(file, accepted, header);
}

uint32_t ReadOptional(Vek::MemoryFile& file, const char* tag, std::initializer_list<uint32_t> accepted,
                      Header& header, bool& present) {
    present = false;
    if (!file.PeekTag(tag)) return RES_OK;
    file.Skip(4);
    present = true;
    return ReadSizeAndVersion(file, accepted, header);
}

bool FaceCountFits(uint32_t primitiveCode, uint32_t faceCount, uint32_t indexCount) {
    uint32_t most = 0;
    switch (primitiveCode) {
        case 4: most = indexCount / 3; break;
        case 8:
        case 16: most = indexCount >= 2 ? indexCount - 2 : 0; break;
        case 1: most = indexCount / 2; break;
        case 2: most = indexCount >= 1 ? indexCount - 1 : 0; break;
        case 0: most = indexCount; break;
        default: return false;
    }
    return faceCount <= most;
}

}  // namespace MeshChunk
