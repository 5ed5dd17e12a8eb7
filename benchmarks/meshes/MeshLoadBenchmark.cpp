// Loading an indexed mesh from memory against copying its bytes.
//
// The mesh is made by the test-side .im writer: 60 chunks of 16,000
// vertices (position, one texture-coordinate set, normal) and 48,000
// indices, and 20 bones that weight every vertex once, about 56 MB. Each
// iteration hands the bytes to a new definition and reads it (chunks,
// materials, weights, skeleton, bone palettes, bounds, texture detail and
// oriented box) on a display that skins in hardware; the reference copies
// the same bytes into a new buffer. The counters give both rates in MB/s
// and "ratio" = load rate / copy rate.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/RenderKernel.h"
#include "engine/Resource.h"
#include "meshes/definitions/MeshResult.h"
#include "meshes/definitions/VorlexIndexedMeshDefinition.h"
#include "support/ImWriter.h"

using Clock = std::chrono::steady_clock;

namespace {

constexpr uint32_t kChunks = 60;
constexpr uint32_t kVertices = 16000;
constexpr uint32_t kBones = 20;

const std::vector<uint8_t>& MeshBytes() {
    static const std::vector<uint8_t> bytes = [] {
        ImWriter::MeshModel m;
        m.maxInfluencesPerVertex = 1;
        m.maxBonesPerChunk = kBones;
        for (uint32_t b = 0; b < kBones; ++b) m.bones.push_back(ImWriter::Bone("bone" + std::to_string(b), b ? "bone0" : ""));
        for (uint32_t c = 0; c < kChunks; ++c) {
            ImWriter::ChunkModel chunk;
            chunk.weightsPerVertex = 1;
            chunk.material.name = "mesh" + std::to_string(c % 4) + ".m.onetex";
            for (uint32_t v = 0; v < kVertices; ++v) {
                float x = static_cast<float>(v % 200), y = static_cast<float>(v / 200), z = static_cast<float>(c);
                chunk.positions.insert(chunk.positions.end(), {x, y, z});
                chunk.uvs.insert(chunk.uvs.end(), {x / 16.0f, y / 16.0f});
                chunk.normals.insert(chunk.normals.end(), {0.0f, 0.0f, 1.0f});
            }
            for (uint32_t t = 0; t < kVertices; ++t) {
                uint16_t a = static_cast<uint16_t>(t), b = static_cast<uint16_t>((t + 1) % kVertices),
                         d = static_cast<uint16_t>((t + 200) % kVertices);
                chunk.indices.insert(chunk.indices.end(), {a, b, d});
            }
            m.chunks.push_back(std::move(chunk));
        }
        for (uint32_t b = 0; b < kBones; ++b)
            for (uint32_t c = 0; c < kChunks; ++c) {
                ImWriter::EntryModel entry{c, {}};
                for (uint32_t v = b; v < kVertices; v += kBones) entry.weights.push_back({v, 1.0f});
                m.bones[b].entries.push_back(std::move(entry));
            }
        return ImWriter::Write(m);
    }();
    return bytes;
}

void BM_LoadIndexedMeshFromMemory(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = MeshBytes();
    Vek::RenderKernel kernel(nullptr, 8.0f);
    if (!kernel.InitWithProfile(Vek::DisplayProfile::OpenGL())) {
        state.SkipWithError("no display");
        return;
    }
    Vek::AutoReference<Vek::Resource> resource(new Vek::Resource(Vek::PString("bench/mesh.im"), nullptr));
    double oursTotal = 0, copyTotal = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        auto definition = std::make_unique<VorlexIndexedMeshDefinition>();
        definition->OpenMemory(bytes.data(), bytes.size(), "bench/mesh.im");
        uint32_t result = definition->Read(kernel.GetDisplay(), kernel.GetMaterialManager(), resource.Get(),
                                           "bench/mesh.im", 0xFFFFFFFF);
        definition.reset();
        double ours = std::chrono::duration<double>(Clock::now() - start).count();
        if (result != RES_OK) {
            state.SkipWithError("the mesh did not load");
            return;
        }
        start = Clock::now();
        std::vector<uint8_t> copy(bytes.size());
        std::memcpy(copy.data(), bytes.data(), bytes.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
        copyTotal += std::chrono::duration<double>(Clock::now() - start).count();
        oursTotal += ours;
        state.SetIterationTime(ours);
    }
    const double mb = static_cast<double>(bytes.size()) / 1e6 * static_cast<double>(state.iterations());
    state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
    state.counters["load_MBps"] = mb / oursTotal;
    state.counters["copy_MBps"] = mb / copyTotal;
    state.counters["ratio"] = copyTotal / oursTotal;
}

}  // namespace

BENCHMARK(BM_LoadIndexedMeshFromMemory)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
