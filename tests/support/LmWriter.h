#pragma once
// Writes level-of-detail mesh files (.lm) into memory for tests and
// benchmarks, with the chunk framing of ImWriter: "INFO" with the named
// levels, "MATT" with materials of equal values, an optional bone chunk
// ("BONT" or "RBOT") of name and parent records, an optional "ATCH", and
// one "MESH" per level, each with an optional "LODB" of no weights and an
// optional one-triangle chunk of a material of the list.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/ImWriter.h"

namespace LmWriter {

struct LevelModel {
    float distance = 0.0f;  // -1 for a named level
    bool weights = false;  // an "LODB" with no entries for each bone
    bool triangle = false;  // one chunk: a triangle of material `material`
    uint32_t material = 0;
};

struct NamedModel {
    std::string name;
    uint32_t level = 0;
};

struct LodModel {
    uint32_t materials = 0;  // "paint.m.onetex", all of the same values
    const char* boneTag = "BONT";
    std::vector<std::pair<std::string, std::string>> bones;  // name, parent
    std::vector<ImWriter::AttachmentModel> attachments;
    std::vector<NamedModel> named;
    std::vector<LevelModel> levels;
};

inline void WriteTriangleChunk(ImWriter::Bytes& b, uint32_t material) {
    const std::size_t mark = b.Begin("LCHK", 100);
    b.U32(0);
    b.U32(material);
    const std::size_t geom = b.Begin("GEOM", 201);
    b.U32(4);  // triangle list
    b.U32(0);
    b.F32(0.0f);
    for (uint32_t count : {3u, 1u, 3u, 0u, 0u}) b.U32(count);  // vertices, faces, indices, face normals, weights
    b.Str("");
    const float vertices[3][5] = {{0, 0, 0, 0, 0}, {1, 0, 0, 1, 0}, {0, 1, 0, 0, 1}};
    for (const auto& v : vertices)
        for (float f : v) b.F32(f);
    for (uint16_t i : {0, 1, 2}) b.U16(i);
    for (int k = 0; k < 9; ++k) b.F32(k % 3 == 2 ? 1.0f : 0.0f);
    b.End(geom);
    b.End(mark);
}

inline std::vector<uint8_t> Write(const LodModel& m) {
    ImWriter::Bytes b;
    b.Tag("VIRF");
    b.U32(0);
    b.Tag("LODM");
    std::size_t mark = b.Begin("INFO", 100);
    for (int k = 0; k < 7; ++k) b.F32(k == 6 ? 1.0f : 0.0f);
    b.U32(static_cast<uint32_t>(m.levels.size()));
    b.U32(0);
    for (float f : {0.0f, 1.0f, 0.0f, 0.0f, 0.0f}) b.F32(f);
    b.U32(static_cast<uint32_t>(m.named.size()));
    for (const NamedModel& n : m.named) {
        b.U32(n.level);
        b.Str(n.name);
        b.data.push_back(0);
    }
    b.End(mark);
    mark = b.Begin("MATT", 100);
    b.U32(m.materials);
    for (uint32_t k = 0; k < m.materials; ++k) ImWriter::WriteMaterial(b, ImWriter::MaterialModel());
    b.End(mark);
    if (!m.bones.empty()) {
        mark = b.Begin(m.boneTag, 100);
        b.U32(static_cast<uint32_t>(m.bones.size()));
        for (const auto& [name, parent] : m.bones) {
            b.Str(name);
            b.Str(parent);
            for (int k = 0; k < 12; ++k) b.F32(k >= 3 && (k - 3) % 4 == 0 ? 1.0f : 0.0f);
        }
        b.End(mark);
    }
    if (!m.attachments.empty()) {
        mark = b.Begin("ATCH", 100);
        b.U32(static_cast<uint32_t>(m.attachments.size()));
        for (const ImWriter::AttachmentModel& a : m.attachments) {
            b.Str(a.name);
            for (float f : a.matrix) b.F32(f);
            for (float f : a.position) b.F32(f);
        }
        b.End(mark);
    }
    for (const LevelModel& level : m.levels) {
        mark = b.Begin("MESH", 100);
        b.U32(level.triangle ? 1 : 0);
        b.U32(0);
        b.U32(0);
        b.F32(level.distance);
        if (level.weights) {
            const std::size_t lodb = b.Begin("LODB", 100);
            for (std::size_t k = 0; k < m.bones.size(); ++k) b.U32(0);
            b.End(lodb);
        }
        if (level.triangle) WriteTriangleChunk(b, level.material);
        b.End(mark);
    }
    b.Patch(4, static_cast<uint32_t>(b.data.size() - 8));
    return b.data;
}

}  // namespace LmWriter
