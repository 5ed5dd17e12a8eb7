// Loading an indexed mesh file against reading the same file.
//
// The mesh is made by the test-side .im writer: 60 chunks of 16,000
// vertices (position, one texture-coordinate set, normal) and 48,000
// indices, and 20 bones that weight every vertex once, about 56 MB, and
// written to a temporary file once. Each iteration opens the file in a new
// definition and reads it (chunks, materials, weights, skeleton, bone
// palettes, bounds, texture detail and oriented box) on a display that
// skins in hardware; the reference reads the same file into a buffer kept
// between iterations. The counters give both rates in MB/s and "ratio" =
// load rate / read rate.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/RenderKernel.h"
#include "engine/Resource.h"
#include "meshes/definitions/MeshResult.h"
#include "meshes/definitions/VorlexIndexedMeshDefinition.h"
#include "support/ImWriter.h"
#include "support/LoadAgainstFileRead.h"
#include "support/TempDir.h"

namespace {

constexpr uint32_t kChunks = 60;
constexpr uint32_t kVertices = 16000;
constexpr uint32_t kBones = 20;

// The mesh file, written once; empty when it could not be written.
const std::string& MeshFile() {
    static VorlexTest::TempDir dir;
    static const std::string path = [] {
        const std::string file = dir / "mesh.im";
        const bool written =
            LoadBenchmark::WriteFile(file, ImWriter::Write(LoadBenchmark::SkinnedModel(kChunks, kVertices, kBones)));
        return written ? file : std::string();
    }();
    return path;
}

void BM_LoadIndexedMeshFile(benchmark::State& state) {
    const std::string& path = MeshFile();
    Vek::RenderKernel kernel(nullptr, 8.0f);
    if (path.empty() || !kernel.InitWithProfile(Vek::DisplayProfile::OpenGL())) {
        state.SkipWithError("no mesh file or no display");
        return;
    }
    Vek::AutoReference<Vek::Resource> resource(new Vek::Resource(Vek::PString("bench/mesh.im"), nullptr));
    LoadBenchmark::RunAgainstFileRead(state, path, [&] {
        auto definition = std::make_unique<VorlexIndexedMeshDefinition>();
        return definition->OpenFile(resource.Get(), path.c_str()) == RES_OK &&
               definition->Read(kernel.GetDisplay(), kernel.GetMaterialManager(), resource.Get(), path.c_str(),
                                0xFFFFFFFF) == RES_OK;
    });
}

}  // namespace

BENCHMARK(BM_LoadIndexedMeshFile)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
