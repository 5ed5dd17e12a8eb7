// A CDP archive built as createcdp builds it: each asset soup added in turn
// (CdpArchive::AddAsset), then the file written once. 2,000 assets are the
// reference, 8,000 the figure; each is built once per repetition, and the
// closing lines give the median time of the larger archive as a ratio to
// the smaller one's, which stays near 4 when the build is linear in the
// assets, and the ratio of their times per asset (near 1).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ArchiveAssetSoups.h"
#include "assetdb/archives/CdpArchive.h"
#include "assetdb/archives/CdpAssetEntry.h"
#include "support/SizeRatioReporter.h"

namespace {

void BM_CreateCdp(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::vector<SoupHandle> soups;
    for (int i = 0; i < count; ++i) soups.push_back(ArchiveBenchmark::AssetSoup(i));
    const std::string path =
        (std::filesystem::temp_directory_path() / ("cdp-build-bench-" + std::to_string(::getpid()) + ".cdp")).string();
    for (auto _ : state) {
        CdpArchive archive;
        Vek::PString error;
        for (const SoupHandle& soup : soups)
            if (!archive.AddAsset(error, CdpAssetEntry(soup)).IsEmpty()) state.SkipWithError(error.c_str());
        if (!archive.Write(error, path.c_str()).IsEmpty()) state.SkipWithError(error.c_str());
    }
    std::filesystem::remove(path);
}

BENCHMARK(BM_CreateCdp)->Arg(2000)->Arg(8000)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(9);

}  // namespace

int main(int argc, char** argv) {
    return BenchmarkSupport::RunWithSizeRatio(argc, argv, "the whole archive, 2,000 assets against 8,000", "2000",
                                              "8000", true);
}
