// The stand-in daemon's install (operation 39) as the library grows: the
// same small asset folder installed while "local" holds 5,000 folders (the
// reference) and while it holds 20,000. An install whose cost grows with
// the library shows a ratio well above 1.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "assetdb/layout/InstallLayout.h"
#include "foundation/files/InstallFolders.h"
#include "support/SizeRatioReporter.h"
#include "vaddaemon/AssetInstall.h"
#include "vaddaemon/AssetLibrary.h"

namespace {

struct Fixture {
    std::filesystem::path root;
    AssetLibrary library;
    std::string source;
    std::filesystem::path local;
    int folders = 0;
    int installs = 0;

    Fixture() {
        root = std::filesystem::temp_directory_path() / ("vaddaemon-library-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(root / "UserData");
        SetInstallationFolders(root.c_str());
        std::string error;
        if (!library.Open(GetDatabasePath().c_str(), error)) {
            std::fprintf(stderr, "cannot open the store: %s\n", error.c_str());
            std::exit(1);
        }
        local = root / "UserData" / "local";
        std::filesystem::create_directories(local);
        source = (root / "source").string();
        std::filesystem::create_directories(source);
        std::ofstream(source + "/mesh.im") << std::string(4096, 'm');
    }
    ~Fixture() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    // Other assets' folders, made straight on disk, until "local" holds
    // `count` of them.
    void FillTo(int count) {
        for (; folders < count; ++folders) {
            const std::filesystem::path folder = local / ("kuid 77 " + std::to_string(folders));
            std::filesystem::create_directory(folder);
            std::ofstream(folder / "config.chump") << "x";
        }
    }

    std::string NextSource(KUID& kuid) {
        kuid = KUID(501, ++installs, 0);
        std::ofstream(source + "/config.txt")
            << "kuid <kuid:501:" << installs << ">\nusername \"Installed " << installs
            << "\"\nkind \"mesh\"\ncategory-class \"TRK;MESH\"\nvorlex-build 3.1\n";
        return source;
    }
};

Fixture& Library() {
    static Fixture fixture;
    return fixture;
}

void BM_Install(benchmark::State& state) {
    Fixture& library = Library();
    library.FillTo(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        KUID kuid;
        const std::string folder = library.NextSource(kuid);
        state.ResumeTiming();
        if (InstallAssetFolder(library.library, folder, nullptr) != kuid) state.SkipWithError("an install failed");
    }
}

BENCHMARK(BM_Install)->Arg(5000)->Arg(20000)->Unit(benchmark::kMicrosecond)->Iterations(1000);

}  // namespace

int main(int argc, char** argv) {
    Library();
    return BenchmarkSupport::RunWithSizeRatio(argc, argv, "one install, 5,000 folders in \"local\" against 20,000",
                                              "5000", "20000");
}
