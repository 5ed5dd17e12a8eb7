// Loading a level-of-detail mesh from memory against copying its bytes.
//
// The mesh has three levels of 36, 12 and 6 chunks; each chunk has 16,000
// vertices (position, one texture-coordinate set, normal), 48,000 indices,
// and 20 bones weight every vertex once: about 50 MB. It is made once by
// writing three .im files and an lm.txt description into a temporary
// folder, building the definition from the text and writing it with
// WriteLOD. Each iteration hands the bytes to a new definition and reads it
// (materials, bone table, levels with their chunks and weights, skeleton,
// bone palettes, bounds and oriented box) on a display that skins in
// hardware; the reference copies the same bytes into a new buffer. The
// counters give both rates in MB/s and "ratio" = load rate / copy rate.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/File.h"
#include "engine/RenderKernel.h"
#include "engine/Resource.h"
#include "meshes/definitions/MeshResult.h"
#include "meshes/lod/VorlexIndexedMeshLODDefinition.h"
#include "support/ImWriter.h"
#include "support/TempDir.h"

using Clock = std::chrono::steady_clock;

namespace {

constexpr uint32_t kLevelChunks[3] = {36, 12, 6};
constexpr uint32_t kVertices = 16000;
constexpr uint32_t kBones = 20;

ImWriter::MeshModel Level(uint32_t chunks) {
    ImWriter::MeshModel m;
    m.maxInfluencesPerVertex = 1;
    m.maxBonesPerChunk = kBones;
    for (uint32_t b = 0; b < kBones; ++b) m.bones.push_back(ImWriter::Bone("bone" + std::to_string(b), b ? "bone0" : ""));
    for (uint32_t c = 0; c < chunks; ++c) {
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
        for (uint32_t c = 0; c < chunks; ++c) {
            ImWriter::EntryModel entry{c, {}};
            for (uint32_t v = b; v < kVertices; v += kBones) entry.weights.push_back({v, 1.0f});
            m.bones[b].entries.push_back(std::move(entry));
        }
    return m;
}

std::vector<uint8_t> MakeLodBytes(Vek::RenderKernel& kernel) {
    VorlexTest::TempDir dir;
    std::string text = "version 1.00\n";
    for (int l = 0; l < 3; ++l) {
        const std::string name = "level" + std::to_string(l) + ".im";
        const std::vector<uint8_t> im = ImWriter::Write(Level(kLevelChunks[l]));
        std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(im.data()),
                                                         static_cast<std::streamsize>(im.size()));
        text += "mesh " + std::to_string(100 * l) + " { name " + name + " }\n";
    }
    std::ofstream(dir / "bench.lm.txt") << text;
    Vek::AutoReference<Vek::Resource> resource(new Vek::Resource(Vek::PString("bench/mesh.lm"), nullptr));
    VorlexIndexedMeshLODDefinition definition;
    const std::string description = dir / "bench.lm.txt";
    if (definition.LoadText(kernel.GetDisplay(), kernel.GetMaterialManager(), resource.Get(), description.c_str(),
                            0xFFFFFFFF) != RES_OK)
        return {};
    const std::string path = dir / "bench.lm";
    Vek::File out;
    if (!out.Open(path.c_str(), Vek::File::kModeWrite | Vek::File::kModeCreate) || definition.WriteLOD(out) != RES_OK)
        return {};
    out.Close();
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void BM_LoadLodMeshFromMemory(benchmark::State& state) {
    Vek::RenderKernel kernel(nullptr, 8.0f);
    if (!kernel.InitWithProfile(Vek::DisplayProfile::OpenGL())) {
        state.SkipWithError("no display");
        return;
    }
    static const std::vector<uint8_t> bytes = MakeLodBytes(kernel);
    if (bytes.empty()) {
        state.SkipWithError("the mesh could not be made");
        return;
    }
    Vek::AutoReference<Vek::Resource> resource(new Vek::Resource(Vek::PString("bench/mesh.lm"), nullptr));
    double oursTotal = 0, copyTotal = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        auto definition = std::make_unique<VorlexIndexedMeshLODDefinition>();
        definition->OpenMemory(bytes.data(), bytes.size(), "bench/mesh.lm");
        uint32_t result = definition->Read(kernel.GetDisplay(), kernel.GetMaterialManager(), resource.Get(),
                                           "bench/mesh.lm", 0xFFFFFFFF);
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

BENCHMARK(BM_LoadLodMeshFromMemory)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
