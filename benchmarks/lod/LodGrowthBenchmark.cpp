// How the cost of a level-of-detail or text mesh grows with what a file
// chooses: each figure runs at a size n and at 4n, and the closing lines
// give the time at 4n as a ratio to the time at n (linear work: about 4x).
//
// - AttachmentsOnTheDeepestBone/N: an .lm file of a chain of N bones, each
//   the child of the one before, with N attachment points on the last;
//   read, and made into a skinned instance (which hangs the points).
// - LevelMaterialSharing/L: L levels of one triangle, all of one material
//   of the file; read, and the materials shared as load completion shares
//   them (each level's search ends at the first level's material).
// - NamedLevelsOfAFile/L: one distance level and L named levels; read.
// - NamedEntriesOfADescription/L: an lm.txt description of one distance
//   entry and L named entries, all naming the same .im file; built.
// - TextMeshVertices/V, TextMeshFaces/F: an .imtxt of one chunk with V
//   vertices (and one face), or with three vertices and F faces; built.
// - MemoryOfBonesAndLevels/B (one size): B bones and 128 levels without
//   weights; read and made into a skinned instance. Its counters give the
//   file's size,
//   the bytes the definition keeps ("definition_MB"), the most held during
//   the read ("peak_MB"), the bytes the instance keeps ("instance_MB") and
//   the bound 20 x file + 64 MB ("bound_MB").
//
// Files are made once per size; only the loads are timed, in processor
// time. The sizes keep the data of both runs of a figure small enough for
// the processor caches: past them, every look-up in a hash table of names
// turns into a miss, and the ratio measures the memory, not the work.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <ctime>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "engine/RenderKernel.h"
#include "engine/Resource.h"
#include "meshes/definitions/MeshResult.h"
#include "meshes/lod/VorlexDynamicIndexedMeshLODInstance.h"
#include "meshes/lod/VorlexIndexedMeshLODDefinition.h"
#include "support/AllocationCounter.h"
#include "support/GrowthRatioReporter.h"
#include "support/ImWriter.h"
#include "support/LmWriter.h"
#include "support/TempDir.h"

namespace {

constexpr uint32_t kColour = 0xFFFFFFFF;

// The processor time of the process: the loads run on one thread, and on a
// machine shared with other work the wall clock also counts the waits.
double ProcessSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Kernel {
    Kernel() : kernel(nullptr, 8.0f), ready(kernel.InitWithProfile(Vek::DisplayProfile::OpenGL())) {}
    Vek::RenderKernel kernel;
    bool ready;
};

Kernel& SharedKernel() {
    static Kernel k;
    return k;
}

Vek::Resource* SharedResource() {
    static Vek::AutoReference<Vek::Resource> resource(new Vek::Resource(Vek::PString("bench/mesh.lm"), nullptr));
    return resource.Get();
}

VorlexTest::TempDir& Folder() {
    static VorlexTest::TempDir dir;
    return dir;
}

std::unique_ptr<VorlexIndexedMeshLODDefinition> ReadLod(const std::vector<uint8_t>& bytes) {
    Vek::RenderKernel& kernel = SharedKernel().kernel;
    auto d = std::make_unique<VorlexIndexedMeshLODDefinition>();
    d->OpenMemory(bytes.data(), bytes.size(), "bench/mesh.lm");
    if (d->Read(kernel.GetDisplay(), kernel.GetMaterialManager(), SharedResource(), "bench/mesh.lm", kColour) !=
        RES_OK)
        return nullptr;
    return d;
}

// Times `load` (true when it loaded) once per iteration, after one untimed
// load: the first load of a size grows the heap to what it needs, and
// every timed load runs on memory the process touched before.
template <typename Load>
void TimeLoads(benchmark::State& state, Load load) {
    if (!SharedKernel().ready || !load()) {
        state.SkipWithError("no display, or the mesh did not load");
        return;
    }
    for (auto _ : state) {
        const double start = ProcessSeconds();
        const bool loaded = load();
        state.SetIterationTime(ProcessSeconds() - start);
        if (!loaded) {
            state.SkipWithError("the mesh did not load");
            return;
        }
    }
}

// A chain of `count` bones b0 .. b<count-1> in a bone table.
std::vector<std::pair<std::string, std::string>> BoneChain(uint32_t count) {
    std::vector<std::pair<std::string, std::string>> bones{{"b0", ""}};
    for (uint32_t k = 1; k < count; ++k) bones.emplace_back("b" + std::to_string(k), "b" + std::to_string(k - 1));
    return bones;
}

void BM_AttachmentsOnTheDeepestBone(benchmark::State& state) {
    const auto n = static_cast<uint32_t>(state.range(0));
    LmWriter::LodModel m;
    m.bones = BoneChain(n);
    for (uint32_t k = 0; k < n; ++k) {
        ImWriter::AttachmentModel a{"a.p" + std::to_string(k) + "/b" + std::to_string(n - 1)};
        a.position[0] = static_cast<float>(k);
        m.attachments.push_back(a);
    }
    m.levels.push_back({});
    const std::vector<uint8_t> bytes = LmWriter::Write(m);
    TimeLoads(state, [&] {
        auto d = ReadLod(bytes);
        if (!d) return false;
        auto instance = std::make_unique<VorlexDynamicIndexedMeshLODInstance>(&SharedKernel().kernel);
        instance->InitFromResource(nullptr, d.get());
        return instance->FindAttachmentPoint(Vek::PString("a.p0")) != nullptr;
    });
}

void BM_LevelMaterialSharing(benchmark::State& state) {
    const auto levels = static_cast<uint32_t>(state.range(0));
    LmWriter::LodModel m;
    m.materials = 1;
    for (uint32_t l = 0; l < levels; ++l) m.levels.push_back({static_cast<float>(l), false, true, 0});
    const std::vector<uint8_t> bytes = LmWriter::Write(m);
    TimeLoads(state, [&] {
        auto d = ReadLod(bytes);
        if (!d) return false;
        d->ShareLevelMaterials();
        return d->GetLevel(levels - 1)->GetMaterial(0) == d->GetLevel(0)->GetMaterial(0);
    });
}

void BM_NamedLevelsOfAFile(benchmark::State& state) {
    const auto named = static_cast<uint32_t>(state.range(0));
    LmWriter::LodModel m;
    m.levels.push_back({});
    for (uint32_t k = 0; k < named; ++k) {
        m.named.push_back({"n" + std::to_string(k), k + 1});
        m.levels.push_back({-1.0f});
    }
    const std::vector<uint8_t> bytes = LmWriter::Write(m);
    TimeLoads(state, [&] { return ReadLod(bytes) != nullptr; });
}

bool WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

void BM_NamedEntriesOfADescription(benchmark::State& state) {
    const auto named = static_cast<uint32_t>(state.range(0));
    ImWriter::MeshModel quad;
    quad.chunks.push_back(ImWriter::Quad());
    const std::vector<uint8_t> level = ImWriter::Write(quad);
    std::string text = "version 1.00\nmesh 0 { name level.im }\n";
    for (uint32_t k = 0; k < named; ++k) text += "mesh n" + std::to_string(k) + " { name level.im }\n";
    const std::string path = Folder() / ("named" + std::to_string(named) + ".lm.txt");
    if (!WriteText(Folder() / "level.im", std::string(level.begin(), level.end())) || !WriteText(path, text)) {
        state.SkipWithError("the description could not be written");
        return;
    }
    TimeLoads(state, [&] {
        Vek::RenderKernel& kernel = SharedKernel().kernel;
        VorlexIndexedMeshLODDefinition d;
        return d.LoadText(kernel.GetDisplay(), kernel.GetMaterialManager(), SharedResource(), path.c_str(),
                          kColour) == RES_OK &&
               d.namedLevels->size() == named;
    });
}

void TimeTextMesh(benchmark::State& state, const std::string& name, const std::string& text) {
    const std::string path = Folder() / name;
    if (!WriteText(path, text)) {
        state.SkipWithError("the text could not be written");
        return;
    }
    TimeLoads(state, [&] {
        Vek::RenderKernel& kernel = SharedKernel().kernel;
        VorlexIndexedMeshDefinition d;
        return d.ReadText(kernel.GetDisplay(), kernel.GetMaterialManager(), SharedResource(), path.c_str(), kColour) ==
               RES_OK;
    });
}

std::string TextMesh(uint32_t vertices, uint32_t faces) {
    std::string text = "chunk\n{\n  material { name paint.m.onetex }\n";
    for (uint32_t v = 0; v < vertices; ++v)
        text += "  vertex " + std::to_string(v % 256) + " " + std::to_string(v / 256) + " 0 0 0 1 0 0\n";
    for (uint32_t f = 0; f < faces; ++f) text += "  face 0 1 2\n";
    return text + "}\n";
}

void BM_TextMeshVertices(benchmark::State& state) {
    const auto vertices = static_cast<uint32_t>(state.range(0));
    TimeTextMesh(state, "vertices" + std::to_string(vertices) + ".imtxt", TextMesh(vertices, 1));
}

void BM_TextMeshFaces(benchmark::State& state) {
    const auto faces = static_cast<uint32_t>(state.range(0));
    TimeTextMesh(state, "faces" + std::to_string(faces) + ".imtxt", TextMesh(3, faces));
}

void BM_MemoryOfBonesAndLevels(benchmark::State& state) {
    constexpr uint32_t kLevels = 128;
    const auto count = static_cast<uint32_t>(state.range(0));
    LmWriter::LodModel m;
    m.bones.emplace_back("root", "");
    for (uint32_t k = 1; k < count; ++k) m.bones.emplace_back("b" + std::to_string(k), "root");
    for (uint32_t l = 0; l < kLevels; ++l) m.levels.push_back({static_cast<float>(l)});
    const std::vector<uint8_t> bytes = LmWriter::Write(m);
    int64_t definitionBytes = 0, peakBytes = 0, instanceBytes = 0;
    TimeLoads(state, [&] {
        const int64_t before = BenchmarkSupport::AllocatedBytes();
        BenchmarkSupport::ResetPeakBytes();
        auto d = ReadLod(bytes);
        if (!d) return false;
        definitionBytes = BenchmarkSupport::AllocatedBytes() - before;
        peakBytes = BenchmarkSupport::PeakBytes() - before;
        auto instance = std::make_unique<VorlexDynamicIndexedMeshLODInstance>(&SharedKernel().kernel);
        instance->InitFromResource(nullptr, d.get());
        instanceBytes = BenchmarkSupport::AllocatedBytes() - before - definitionBytes;
        return instance->GetBoneCount() == count;
    });
    const double mb = 1e6;
    state.counters["file_MB"] = static_cast<double>(bytes.size()) / mb;
    state.counters["definition_MB"] = static_cast<double>(definitionBytes) / mb;
    state.counters["peak_MB"] = static_cast<double>(peakBytes) / mb;
    state.counters["instance_MB"] = static_cast<double>(instanceBytes) / mb;
    state.counters["bound_MB"] = 20.0 * static_cast<double>(bytes.size()) / mb + 64.0;
}

}  // namespace

BENCHMARK(BM_AttachmentsOnTheDeepestBone)->Arg(1000)->Arg(4000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LevelMaterialSharing)->Arg(5000)->Arg(20000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NamedLevelsOfAFile)->Arg(2000)->Arg(8000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NamedEntriesOfADescription)->Arg(2000)->Arg(8000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextMeshVertices)->Arg(16384)->Arg(65536)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextMeshFaces)->Arg(16384)->Arg(65536)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryOfBonesAndLevels)->Arg(200000)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // The loads allocate and free blocks of tens of megabytes. Left to
    // itself, glibc maps each such block afresh and hands it back when it is
    // freed, so that the larger size pays a page fault per page on every
    // iteration while the smaller one reuses memory it touched before. Kept
    // in the heap, both sizes run on memory they touched before, and the
    // ratio shows the work.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
    return BenchmarkSupport::RunWithGrowthRatios(argc, argv);
}
