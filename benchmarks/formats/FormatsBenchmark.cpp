// Soups and content archives against common libraries, in one process:
//
//  - a soup of 100,000 tags, flat (one container) and nested (10,000
//    containers of 10 tags), saved to a file and loaded back in the text
//    and the binary form, beside nlohmann-json dumping and parsing the same
//    tree to and from a file. Reading includes visiting every value (a
//    binary soup is read lazily, a JSON document whole), so both sides do
//    the same work.
//  - a CDP archive of a folder (200 MB by default; VORLEX_BENCH_ARCHIVE_MB
//    changes it) built the way the daemon packs an asset (every file LZSS
//    compressed) and written, then loaded and extracted into an empty
//    folder, beside libzip writing a ZIP of the same folder with deflate and
//    extracting it.
//
// Every benchmark times its own operation and the reference operation in
// the same iterations and reports the ratio (ours / reference) as the
// counter "ratio"; the summary at the end prints all ratios together.
#include <benchmark/benchmark.h>
#include <zip.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "assetdb/archives/ArchiveExtraction.h"
#include "assetdb/archives/CdpArchive.h"
#include "assetdb/archives/CdpAssetEntry.h"
#include "engine/Compress.h"
#include "engine/DynamicBuffer.h"
#include "engine/IOSlave.h"
#include "engine/ReferenceCount.h"
#include "foundation/soups/ACSChunk.h"
#include "foundation/soups/SoupFiles.h"
#include "foundation/soups/SoupHandle.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kTags = 100000;
constexpr int kNestedGroups = 10000;

fs::path WorkFolder() {
    static const fs::path folder = [] {
        fs::path made = fs::temp_directory_path() / ("vorlex-formats-bench-" + std::to_string(::getpid()));
        fs::create_directories(made);
        return made;
    }();
    return folder;
}

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::map<std::string, double>& Ratios() {
    static std::map<std::string, double> ratios;
    return ratios;
}

// Times `ours` and `reference` once per iteration, in turn, and which of
// the two goes first alternates: whatever one leaves behind for the next
// (freed memory the allocator tidies on a later large request, caches the
// other filled) falls on both sides alike. Reports our time as the
// iteration time and the ratio of the totals.
void Compare(benchmark::State& state, const char* name, const std::function<void()>& ours,
             const std::function<void()>& reference) {
    double oursTotal = 0;
    double referenceTotal = 0;
    bool oursFirst = true;
    for (auto _ : state) {
        double oursTime = 0;
        double referenceTime = 0;
        for (int turn = 0; turn < 2; ++turn) {
            const bool runOurs = (turn == 0) == oursFirst;
            const Clock::time_point start = Clock::now();
            (runOurs ? ours : reference)();
            (runOurs ? oursTime : referenceTime) = Seconds(start);
        }
        oursFirst = !oursFirst;
        oursTotal += oursTime;
        referenceTotal += referenceTime;
        state.SetIterationTime(oursTime);
    }
    const double ratio = referenceTotal > 0 ? oursTotal / referenceTotal : 0;
    state.counters["ratio"] = ratio;
    state.counters["reference_s"] = referenceTotal / static_cast<double>(state.iterations());
    Ratios()[name] = ratio;
}

// ---- the tree ----

// Tag i of a group: an integer, a float, a text or a KUID, in turn.
void SetValue(SoupHandle& soup, nlohmann::json& json, int i) {
    const std::string name = "tag" + std::to_string(i);
    switch (i % 4) {
        case 0:
            soup.SetInt(name.c_str(), i * 7);
            json[name] = i * 7;
            break;
        case 1:
            soup.SetFloat(name.c_str(), static_cast<float>(i) * 0.25f);
            json[name] = static_cast<float>(i) * 0.25f;
            break;
        case 2: {
            const std::string text = "text value " + std::to_string(i);
            soup.SetString(name.c_str(), text.c_str());
            json[name] = text;
            break;
        }
        default:
            soup.SetKUID(name.c_str(), KUID(1000 + i % 50, i, 0));
            json[name] = KUID(1000 + i % 50, i, 0).ToTagString().c_str();
            break;
    }
}

struct Tree {
    SoupHandle soup;
    nlohmann::json json = nlohmann::json::object();
};

const Tree& FlatTree() {
    static const Tree tree = [] {
        Tree made;
        // Appended directly: the setters look for an earlier tag of the name.
        ChunkRef root = made.soup.EnsureContainerRef();
        for (int i = 0; i < kTags; ++i) {
            SoupHandle one;
            SetValue(one, made.json, i);
            Vek::PString name;
            ChunkRef chunk;
            one.GetRoot()->GetChildAt(0, name, chunk);
            root->AppendChild(name, chunk);
        }
        return made;
    }();
    return tree;
}

const Tree& NestedTree() {
    static const Tree tree = [] {
        Tree made;
        ChunkRef root = made.soup.EnsureContainerRef();
        const int perGroup = kTags / kNestedGroups;
        for (int g = 0; g < kNestedGroups; ++g) {
            SoupHandle group;
            nlohmann::json json = nlohmann::json::object();
            for (int i = 0; i < perGroup; ++i) SetValue(group, json, g * perGroup + i);
            const std::string name = "group" + std::to_string(g);
            root->AppendChild(Vek::PString(name.c_str()), group.GetRoot());
            made.json[name] = std::move(json);
        }
        return made;
    }();
    return tree;
}

// Visits every value of a soup (the numbers summed, the texts measured),
// children lent by ChildAt as the program's own walks (the writers, the KUID
// collection, the handle's GetTagName) take them.
double VisitSoup(const ChunkRef& chunk) {
    double sum = 0;
    const int32_t count = chunk->Count();
    for (int32_t i = 0; i < count; ++i) {
        const ChunkChild* pair = chunk->ChildAt(i);
        if (!pair) continue;
        const ChunkRef& child = pair->chunk;
        if (child->GetKind() == ACSKind::kContainer)
            sum += VisitSoup(child);
        else
            sum += static_cast<double>(child->GetSize()) + (child->GetSize() > 0 ? child->GetData()[0] : 0);
    }
    return sum;
}

double VisitJson(const nlohmann::json& json) {
    double sum = 0;
    for (const auto& item : json.items()) {
        const auto& value = item.value();
        if (value.is_object())
            sum += VisitJson(value);
        else if (value.is_string())
            sum += static_cast<double>(value.get_ref<const std::string&>().size());
        else
            sum += value.get<double>();
    }
    return sum;
}

void WriteJson(const nlohmann::json& json, const fs::path& path) {
    const std::string text = json.dump();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

nlohmann::json ReadJson(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return nlohmann::json::parse(in);
}

void SoupWrite(benchmark::State& state, const char* name, const Tree& tree, const char* extension) {
    const fs::path soupPath = WorkFolder() / (std::string("write.") + extension);
    const fs::path jsonPath = WorkFolder() / "write.json";
    Compare(
        state, name, [&] { SaveSoupFile(tree.soup, Vek::PString(), soupPath.c_str()); },
        [&] { WriteJson(tree.json, jsonPath); });
}

void SoupRead(benchmark::State& state, const char* name, const Tree& tree, const char* extension) {
    const fs::path soupPath = WorkFolder() / (std::string("read.") + extension);
    const fs::path jsonPath = WorkFolder() / "read.json";
    SaveSoupFile(tree.soup, Vek::PString(), soupPath.c_str());
    WriteJson(tree.json, jsonPath);
    double sink = 0;
    Compare(
        state, name,
        [&] {
            SoupHandle soup;
            LoadSoupFile(soup, Vek::PString(), soupPath.c_str());
            sink += VisitSoup(soup.GetRoot());
        },
        [&] { sink += VisitJson(ReadJson(jsonPath)); });
    benchmark::DoNotOptimize(sink);
}

void BM_SoupWriteTextFlat(benchmark::State& state) { SoupWrite(state, "soup write text flat", FlatTree(), "txt"); }
void BM_SoupWriteTextNested(benchmark::State& state) { SoupWrite(state, "soup write text nested", NestedTree(), "txt"); }
void BM_SoupWriteBinaryFlat(benchmark::State& state) { SoupWrite(state, "soup write binary flat", FlatTree(), "chump"); }
void BM_SoupWriteBinaryNested(benchmark::State& state) { SoupWrite(state, "soup write binary nested", NestedTree(), "chump"); }
void BM_SoupReadTextFlat(benchmark::State& state) { SoupRead(state, "soup read text flat", FlatTree(), "txt"); }
void BM_SoupReadTextNested(benchmark::State& state) { SoupRead(state, "soup read text nested", NestedTree(), "txt"); }
void BM_SoupReadBinaryFlat(benchmark::State& state) { SoupRead(state, "soup read binary flat", FlatTree(), "chump"); }
void BM_SoupReadBinaryNested(benchmark::State& state) { SoupRead(state, "soup read binary nested", NestedTree(), "chump"); }

BENCHMARK(BM_SoupWriteTextFlat)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SoupWriteTextNested)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SoupWriteBinaryFlat)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SoupWriteBinaryNested)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SoupReadTextFlat)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SoupReadTextNested)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SoupReadBinaryFlat)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SoupReadBinaryNested)->UseManualTime()->Unit(benchmark::kMillisecond);

// ---- the archive ----

// A folder of 2 MB files: runs of words from a small vocabulary (which
// compress well) mixed with runs of random bytes (which do not), about
// one byte in four.
const fs::path& ArchiveSource() {
    static const fs::path folder = [] {
        const char* megabytes = std::getenv("VORLEX_BENCH_ARCHIVE_MB");
        const long total = (megabytes ? std::atol(megabytes) : 200) * 1024L * 1024L;
        const long fileSize = 2L * 1024 * 1024;
        fs::path made = WorkFolder() / "source";
        std::mt19937 random(7);
        const char* const words[] = {"mesh ", "texture ", "kuid ", "bogey ", "0.125 ", "-3 ", "\r\n", "{ ", "} "};
        for (long written = 0, n = 0; written < total; written += fileSize, ++n) {
            fs::path sub = made / ("part" + std::to_string(n % 8));
            fs::create_directories(sub);
            std::string data;
            data.reserve(static_cast<std::size_t>(fileSize));
            while (static_cast<long>(data.size()) < fileSize) {
                if (random() % 4 == 0) {
                    for (int k = 0; k < 256; ++k) data.push_back(static_cast<char>(random()));
                } else {
                    for (int k = 0; k < 40; ++k) data += words[random() % 9];
                }
            }
            data.resize(static_cast<std::size_t>(fileSize));
            std::ofstream(sub / ("file" + std::to_string(n) + ".dat"), std::ios::binary) << data;
        }
        return made;
    }();
    return folder;
}

std::vector<uint8_t> ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The daemon's packing: a file is its size in four bytes, then its LZSS
// stream.
RawDataRef PackLzss(const std::vector<uint8_t>& data) {
    Vek::DynamicBuffer packed;
    const uint32_t size = static_cast<uint32_t>(data.size());
    const uint8_t head[4] = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                             static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24)};
    Vek::IOSlaveMemory destination(&packed);
    Vek::IOSlaveMemory source(data.data(), data.size());
    Vek::AutoReference<Vek::LZSSCompress> codec(new Vek::LZSSCompress());
    destination.Write(head, 4);
    codec->Encode(destination, source, data.size(), 6);
    return MakeRawDataCopy(static_cast<int32_t>(packed.DataSize()), packed.Data());
}

void PackFolder(const fs::path& folder, ChunkRef& container) {
    std::vector<fs::directory_entry> entries{fs::directory_iterator(folder), fs::directory_iterator()};
    std::sort(entries.begin(), entries.end());
    for (const auto& entry : entries) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory()) {
            SoupHandle sub;
            ChunkRef child = sub.EnsureContainerRef();
            PackFolder(entry.path(), child);
            container->AppendChild(Vek::PString(name.c_str()), child);
        } else {
            container->AppendChild(Vek::PString(name.c_str()),
                                   container->CreateChunk(ACSKind::kRaw, PackLzss(ReadWhole(entry.path()))));
        }
    }
}

void BuildCdp(const fs::path& folder, const fs::path& archivePath) {
    SoupHandle soup;
    soup.SetKUID("kuid", KUID(1000, 1, 0));
    soup.SetString("kind", "scenery");
    SoupHandle files;
    ChunkRef root = files.EnsureContainerRef();
    PackFolder(folder, root);
    soup.SetContainer("files", files);
    soup.SetString("compression", "LZSS");
    CdpArchive archive;
    Vek::PString error;
    archive.AddAsset(error, CdpAssetEntry(soup));
    archive.Write(error, archivePath.c_str());
}

void ExtractCdp(const fs::path& archivePath, const fs::path& into) {
    fs::remove_all(into);
    fs::create_directories(into.parent_path());
    CdpArchive archive;
    Vek::PString error;
    archive.Load(error, Vek::PString(), archivePath.c_str());
    const CdpAssetEntry entry = archive.GetAsset(0);
    ExtractArchiveFolder(error, entry.GetFiles(), Vek::PString(), into.c_str(), entry.GetCompression());
}

void BuildZip(const fs::path& folder, const fs::path& zipPath) {
    fs::remove(zipPath);
    int status = 0;
    zip_t* zip = zip_open(zipPath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &status);
    std::vector<fs::path> paths;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    for (const fs::path& path : paths) {
        zip_source_t* source = zip_source_file(zip, path.c_str(), 0, -1);
        const zip_int64_t index =
            zip_file_add(zip, fs::relative(path, folder).c_str(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
        zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 6);
    }
    zip_close(zip);
}

void ExtractZip(const fs::path& zipPath, const fs::path& into) {
    fs::remove_all(into);
    int status = 0;
    zip_t* zip = zip_open(zipPath.c_str(), ZIP_RDONLY, &status);
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    std::vector<char> buffer(1 << 16);
    for (zip_int64_t i = 0; i < count; ++i) {
        const fs::path target = into / zip_get_name(zip, static_cast<zip_uint64_t>(i), 0);
        fs::create_directories(target.parent_path());
        zip_file_t* file = zip_fopen_index(zip, static_cast<zip_uint64_t>(i), 0);
        std::FILE* out = std::fopen(target.c_str(), "wb");
        for (zip_int64_t n; (n = zip_fread(file, buffer.data(), buffer.size())) > 0;)
            std::fwrite(buffer.data(), 1, static_cast<std::size_t>(n), out);
        std::fclose(out);
        zip_fclose(file);
    }
    zip_close(zip);
}

void BM_ArchiveBuild(benchmark::State& state) {
    const fs::path& source = ArchiveSource();
    Compare(
        state, "archive build", [&] { BuildCdp(source, WorkFolder() / "built.cdp"); },
        [&] { BuildZip(source, WorkFolder() / "built.zip"); });
    state.counters["cdp_MB"] = static_cast<double>(fs::file_size(WorkFolder() / "built.cdp")) / 1048576.0;
    state.counters["zip_MB"] = static_cast<double>(fs::file_size(WorkFolder() / "built.zip")) / 1048576.0;
}

void BM_ArchiveExtract(benchmark::State& state) {
    const fs::path& source = ArchiveSource();
    if (!fs::exists(WorkFolder() / "built.cdp")) BuildCdp(source, WorkFolder() / "built.cdp");
    if (!fs::exists(WorkFolder() / "built.zip")) BuildZip(source, WorkFolder() / "built.zip");
    Compare(
        state, "archive extract", [&] { ExtractCdp(WorkFolder() / "built.cdp", WorkFolder() / "out-cdp" / "asset"); },
        [&] { ExtractZip(WorkFolder() / "built.zip", WorkFolder() / "out-zip"); });
}

BENCHMARK(BM_ArchiveBuild)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ArchiveExtract)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nratio to the reference (soups: nlohmann-json; archives: libzip with deflate)\n");
    for (const auto& [name, ratio] : Ratios()) std::printf("  %-40s %6.2f\n", name.c_str(), ratio);
    std::error_code ignored;
    fs::remove_all(WorkFolder(), ignored);
    return 0;
}
