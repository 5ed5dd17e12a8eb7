// The word "installcdp" end to end as the library grows: an archive of
// 5,000 assets (the reference) and one of 20,000, each installed by the
// built program into a new installation laid out from the build tree (the
// install-layout script) with the built stand-in daemon running. The daemon
// is started before the timed run; the run is the program's whole process,
// from start to exit. The closing lines give the larger archive's time as a
// ratio to the smaller one's (near 4 when installs are linear in the
// assets) and the ratio of their times per asset (near 1).
//
// Each size is installed once per repetition (an install takes seconds);
// pass --benchmark_repetitions for medians.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "ArchiveAssetSoups.h"
#include "assetdb/archives/CdpArchive.h"
#include "assetdb/archives/CdpAssetEntry.h"
#include "foundation/platform/process/TerminateProcesses.h"
#include "support/SizeRatioReporter.h"

namespace {

namespace fs = std::filesystem;

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// A new installation at `root` with an archive of `count` assets in it.
bool Prepare(const fs::path& root, int count, std::string& error) {
    fs::remove_all(root);
    fs::create_directories(root / "run");
    const std::string layout = "bash " + Quoted(fs::path(VORLEX_SOURCE_DIR) / "scripts/layout-install.sh") + " " +
                               Quoted(VORLEX_BUILD_DIR) + " " + Quoted(root) + " > /dev/null";
    if (std::system(layout.c_str()) != 0) {
        error = "the install layout failed";
        return false;
    }
    CdpArchive archive;
    Vek::PString failure;
    for (int i = 0; i < count; ++i)
        if (!archive.AddAsset(failure, CdpAssetEntry(ArchiveBenchmark::AssetSoup(i))).IsEmpty()) break;
    if (failure.IsEmpty()) archive.Write(failure, (root / "bench.cdp").c_str());
    if (!failure.IsEmpty()) error = failure.c_str();
    return failure.IsEmpty();
}

// Runs the installation's program with a word; true when it exits with 0.
bool RunWord(const fs::path& root, const std::string& word) {
    const std::string command = "XDG_RUNTIME_DIR=" + Quoted(root / "run") + " VADDAEMON_IDLE_S=120 " +
                                Quoted(root / "bin/VorlexUtil") + " " + word + " > /dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

void BM_InstallCdpWord(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const fs::path root =
        fs::temp_directory_path() / ("installcdp-bench-" + std::to_string(::getpid()) + "-" + std::to_string(count));
    std::string error;
    if (!Prepare(root, count, error)) {
        state.SkipWithError(error.c_str());
        fs::remove_all(root);
        return;
    }
    if (!RunWord(root, "version")) state.SkipWithError("the program or its daemon did not start");
    for (auto _ : state)
        if (!RunWord(root, "installcdp " + Quoted(root / "bench.cdp"))) state.SkipWithError("installcdp failed");
    std::error_code ignored;
    const auto folders = std::distance(fs::directory_iterator(root / "UserData/local", ignored), fs::directory_iterator());
    if (folders != count) state.SkipWithError("not every asset was installed");
    TerminateProcessesByPath((root / "bin/vaddaemon").c_str(), 2000);
    fs::remove_all(root);
}

BENCHMARK(BM_InstallCdpWord)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return BenchmarkSupport::RunWithSizeRatio(argc, argv, "installcdp of the whole archive, 5,000 assets against 20,000",
                                              "5000", "20000", true);
}
