// Loading a level-of-detail mesh file against reading the same file.
//
// The mesh has three levels of 36, 12 and 6 chunks; each chunk has 16,000
// vertices (position, one texture-coordinate set, normal), 48,000 indices,
// and 20 bones weight every vertex once: about 50 MB. It is made once by
// writing three .im files and an lm.txt description into a temporary
// folder, building the definition from the text and writing it with
// WriteLOD. Each iteration reads that file in a new definition (materials,
// bone table, levels with their chunks and weights, skeleton, bone
// palettes, bounds and oriented box) on a display that skins in hardware;
// the reference reads the same file into a buffer kept between iterations.
// The counters give both rates in MB/s and "ratio" = load rate / read rate.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/File.h"
#include "engine/RenderKernel.h"
#include "engine/Resource.h"
#include "meshes/definitions/MeshResult.h"
#include "meshes/lod/VorlexIndexedMeshLODDefinition.h"
#include "support/ImWriter.h"
#include "support/LoadAgainstFileRead.h"
#include "support/TempDir.h"

namespace {

constexpr uint32_t kLevelChunks[3] = {36, 12, 6};
constexpr uint32_t kVertices = 16000;
constexpr uint32_t kBones = 20;

// Writes the mesh as `path`; false when it could not be made.
bool MakeLodFile(Vek::RenderKernel& kernel, const std::string& path) {
    VorlexTest::TempDir dir;
    std::string text = "version 1.00\n";
    for (int l = 0; l < 3; ++l) {
        const std::string name = "level" + std::to_string(l) + ".im";
        if (!LoadBenchmark::WriteFile(dir / name,
                                      ImWriter::Write(LoadBenchmark::SkinnedModel(kLevelChunks[l], kVertices, kBones))))
            return false;
        text += "mesh " + std::to_string(100 * l) + " { name " + name + " }\n";
    }
    std::ofstream(dir / "bench.lm.txt") << text;
    Vek::AutoReference<Vek::Resource> resource(new Vek::Resource(Vek::PString("bench/mesh.lm"), nullptr));
    VorlexIndexedMeshLODDefinition definition;
    const std::string description = dir / "bench.lm.txt";
    if (definition.LoadText(kernel.GetDisplay(), kernel.GetMaterialManager(), resource.Get(), description.c_str(),
                            0xFFFFFFFF) != RES_OK)
        return false;
    Vek::File out;
    return out.Open(path.c_str(), Vek::File::kModeWrite | Vek::File::kModeCreate) && definition.WriteLOD(out) == RES_OK;
}

void BM_LoadLodMeshFile(benchmark::State& state) {
    Vek::RenderKernel kernel(nullptr, 8.0f);
    if (!kernel.InitWithProfile(Vek::DisplayProfile::OpenGL())) {
        state.SkipWithError("no display");
        return;
    }
    static VorlexTest::TempDir dir;
    static const std::string path = dir / "bench.lm";
    static const bool made = MakeLodFile(kernel, path);
    if (!made) {
        state.SkipWithError("the mesh could not be made");
        return;
    }
    Vek::AutoReference<Vek::Resource> resource(new Vek::Resource(Vek::PString("bench/mesh.lm"), nullptr));
    LoadBenchmark::RunAgainstFileRead(state, path, [&] {
        auto definition = std::make_unique<VorlexIndexedMeshLODDefinition>();
        return definition->Read(kernel.GetDisplay(), kernel.GetMaterialManager(), resource.Get(), path.c_str(),
                                0xFFFFFFFF) == RES_OK;
    });
}

}  // namespace

BENCHMARK(BM_LoadLodMeshFile)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
