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
#include "support/LoadAgainstCopy.h"

namespace {

constexpr uint32_t kChunks = 60;
constexpr uint32_t kVertices = 16000;
constexpr uint32_t kBones = 20;

const std::vector<uint8_t>& MeshBytes() {
    static const std::vector<uint8_t> bytes = ImWriter::Write(LoadBenchmark::SkinnedModel(kChunks, kVertices, kBones));
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
    LoadBenchmark::RunAgainstCopy(state, bytes, [&] {
        auto definition = std::make_unique<VorlexIndexedMeshDefinition>();
        definition->OpenMemory(bytes.data(), bytes.size(), "bench/mesh.im");
        return definition->Read(kernel.GetDisplay(), kernel.GetMaterialManager(), resource.Get(), "bench/mesh.im",
                                0xFFFFFFFF) == RES_OK;
    });
}

}  // namespace

BENCHMARK(BM_LoadIndexedMeshFromMemory)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
