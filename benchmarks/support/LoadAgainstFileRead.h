#pragma once
// What the mesh-load benchmarks share: a generated skinned mesh model, the
// file it is written to, and the timing of a load of that file beside a
// plain read of the same file.
//
// The model: `chunks` chunks of `vertices` vertices (position, one
// texture-coordinate set, normal) and 3 x `vertices` indices, materials
// "mesh0" to "mesh3" (onetex), and `bones` bones ("bone0" the root) that
// weight every vertex once.
//
// The timing: each iteration runs `load` (true when it loaded the file)
// and then reads the same file into a buffer kept from one iteration to the
// next, as a plain copy of the file would; the counters give both rates in
// MB/s and "ratio" = load rate / read rate.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/File.h"
#include "support/ImWriter.h"

namespace LoadBenchmark {

inline ImWriter::MeshModel SkinnedModel(uint32_t chunks, uint32_t vertices, uint32_t bones) {
    ImWriter::MeshModel m;
    m.maxInfluencesPerVertex = 1;
    m.maxBonesPerChunk = bones;
    for (uint32_t b = 0; b < bones; ++b) m.bones.push_back(ImWriter::Bone("bone" + std::to_string(b), b ? "bone0" : ""));
    for (uint32_t c = 0; c < chunks; ++c) {
        ImWriter::ChunkModel chunk;
        chunk.weightsPerVertex = 1;
        chunk.material.name = "mesh" + std::to_string(c % 4) + ".m.onetex";
        for (uint32_t v = 0; v < vertices; ++v) {
            float x = static_cast<float>(v % 200), y = static_cast<float>(v / 200), z = static_cast<float>(c);
            chunk.positions.insert(chunk.positions.end(), {x, y, z});
            chunk.uvs.insert(chunk.uvs.end(), {x / 16.0f, y / 16.0f});
            chunk.normals.insert(chunk.normals.end(), {0.0f, 0.0f, 1.0f});
        }
        for (uint32_t t = 0; t < vertices; ++t) {
            uint16_t a = static_cast<uint16_t>(t), b = static_cast<uint16_t>((t + 1) % vertices),
                     d = static_cast<uint16_t>((t + 200) % vertices);
            chunk.indices.insert(chunk.indices.end(), {a, b, d});
        }
        m.chunks.push_back(std::move(chunk));
    }
    for (uint32_t b = 0; b < bones; ++b)
        for (uint32_t c = 0; c < chunks; ++c) {
            ImWriter::EntryModel entry{c, {}};
            for (uint32_t v = b; v < vertices; v += bones) entry.weights.push_back({v, 1.0f});
            m.bones[b].entries.push_back(std::move(entry));
        }
    return m;
}

// Writes the bytes to `path`; false when they cannot all be written.
inline bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    Vek::File out;
    return out.Open(path.c_str(), Vek::File::kModeWrite | Vek::File::kModeCreate) &&
           out.Write(bytes.data(), bytes.size()) == bytes.size();
}

template <typename Load>
void RunAgainstFileRead(benchmark::State& state, const std::string& path, Load load) {
    using Clock = std::chrono::steady_clock;
    double oursTotal = 0, readTotal = 0;
    std::vector<uint8_t> buffer;
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        const bool loaded = load();
        const double ours = std::chrono::duration<double>(Clock::now() - start).count();
        if (!loaded) {
            state.SkipWithError("the mesh did not load");
            return;
        }
        start = Clock::now();
        Vek::File file;
        if (!file.Open(path.c_str(), Vek::File::kModeRead)) {
            state.SkipWithError("the mesh file cannot be read");
            return;
        }
        bytes = static_cast<std::size_t>(file.Length());
        if (buffer.size() < bytes) buffer.resize(bytes);
        if (file.Read(buffer.data(), bytes) != bytes) {
            state.SkipWithError("the mesh file cannot be read");
            return;
        }
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
        readTotal += std::chrono::duration<double>(Clock::now() - start).count();
        oursTotal += ours;
        state.SetIterationTime(ours);
    }
    const double mb = static_cast<double>(bytes) / 1e6 * static_cast<double>(state.iterations());
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["load_MBps"] = mb / oursTotal;
    state.counters["read_MBps"] = mb / readTotal;
    state.counters["ratio"] = readTotal / oursTotal;
}

}  // namespace LoadBenchmark
