// The stand-in daemon's store with 100,000 assets of mixed kinds, classes,
// authors and versions. Each daemon figure runs beside a reference: the
// same question asked straight in SQLite on the same file, with a statement
// compiled once. The closing table gives each pair's ratio.
//   selective search   a quoted name and its author (operation 2)
//   broad search       a category class half the assets have (operation 2)
//   asset info         one asset's record, dependencies and author name
//                      (operation 21) / a primary-key read of its row
//   install            a small asset folder copied and registered
//                      (operation 39) / the same copy and one row inserted
//                      in its own transaction
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "assetdb/filters/VADFilterElementGroup.h"
#include "assetdb/filters/VADFilterElementInt.h"
#include "assetdb/filters/VADFilterElementString.h"
#include "assetdb/layout/InstallLayout.h"
#include "foundation/files/FileCopy.h"
#include "foundation/files/InstallFolders.h"
#include "RatioReporter.h"
#include "vaddaemon/AssetInstall.h"
#include "vaddaemon/AssetLibrary.h"
#include "vaddaemon/AssetSearch.h"

namespace {

constexpr int kAssets = 100000;
constexpr int kUsers = 500;
const char* const kClasses[] = {"TR;LOC;ELEC", "TR;LOC;DSL", "BD;RES", "SCEN;TREE", "TRK;MESH", "CN"};
const char* const kKinds[] = {"traincar", "scenery", "track", "consist", "mesh"};

KUID NthAsset(int i) { return KUID(1 + i % kUsers, 1000 + i / kUsers, i % 3 == 0 ? 1 : 0); }
std::string NthName(int i) { return "Asset " + std::to_string(i) + " " + kKinds[i % 5]; }

// The library and a raw connection to the same file.
struct Fixture {
    std::filesystem::path root;
    AssetLibrary library;
    sqlite3* db = nullptr;
    std::string source;
    int installs = 0;

    Fixture() {
        root = std::filesystem::temp_directory_path() / ("vaddaemon-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(root / "UserData");
        SetInstallationFolders(root.c_str());
        std::string error;
        if (!library.Open(GetDatabasePath().c_str(), error)) {
            std::fprintf(stderr, "cannot open the store: %s\n", error.c_str());
            std::exit(1);
        }
        const auto start = std::chrono::steady_clock::now();
        {
            std::lock_guard<std::mutex> hold(library.Mutex());
            AssetStore& store = library.Store();
            store.SetUserName(1, "user one");
            for (int i = 0; i < kAssets; ++i) {
                AssetRecord record;
                record.kuid = NthAsset(i);
                record.installed = i % 10 != 9;
                record.name = NthName(i);
                // Every second asset is a wagon: its class list holds "TV".
                record.categoryClass = i % 2 == 0 ? "TR;TV" : kClasses[i % 6];
                record.keywords = i % 7 == 0 ? "red;steam" : "blue";
                record.categoryEra = "1950s";
                record.categoryRegion = i % 4 == 0 ? "UK" : "DE";
                record.build = 3.1f;
                if (i > 0 && i % 5 == 0) record.dependencies = {NthAsset(i - 1), NthAsset(i / 2)};
                store.Put(record);
            }
        }
        std::fprintf(stderr, "store of %d assets made in %.1f s\n", kAssets,
                     std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        sqlite3_open_v2(library.Store().OsPath().c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
        // The reference reads the file through a mapping, as the daemon's
        // own connections do.
        sqlite3_exec(db,
                     "PRAGMA synchronous=NORMAL;"
                     "PRAGMA mmap_size=1073741824;"
                     "CREATE TABLE IF NOT EXISTS reference_rows(user_id INTEGER, content_id INTEGER, version INTEGER,"
                     " name TEXT, category_class TEXT, PRIMARY KEY(user_id, content_id, version))",
                     nullptr, nullptr, nullptr);
        source = (root / "source").string();
        std::filesystem::create_directories(source);
        std::ofstream(source + "/mesh.im") << std::string(4096, 'm');
    }
    ~Fixture() {
        sqlite3_close_v2(db);
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
};

Fixture& Store() {
    static Fixture fixture;
    return fixture;
}

sqlite3_stmt* Compile(const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(Store().db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, sqlite3_errmsg(Store().db));
        std::exit(1);
    }
    return statement;
}

std::vector<KUID> Rows(sqlite3_stmt* statement) {
    std::vector<KUID> found;
    while (sqlite3_step(statement) == SQLITE_ROW)
        found.emplace_back(sqlite3_column_int(statement, 0), sqlite3_column_int(statement, 1),
                           sqlite3_column_int(statement, 2));
    sqlite3_reset(statement);
    return found;
}

std::unique_ptr<VADFilterElement> SelectiveFilter(int i) {
    auto group = std::make_unique<VADFilterElementGroup>();
    group->AddElement(std::make_unique<VADFilterElementString>(
        VADFilterElementString::kAssetName, Vek::PString(("\"" + NthName(i) + "\"").c_str())));
    const int32_t user = NthAsset(i).GetUserID();
    group->AddElement(std::make_unique<VADFilterElementInt>(VADFilterElementInt::kAuthor, user, user, true, true));
    return group;
}

void BM_SelectiveSearch_Daemon(benchmark::State& state) {
    Fixture& store = Store();
    std::mt19937 random(1);
    for (auto _ : state) {
        const int i = static_cast<int>(random() % kAssets);
        const auto filter = SelectiveFilter(i);
        const std::vector<KUID> found = SearchAssets(store.library, *filter);
        if (found.size() != 1) state.SkipWithError("the selective search did not find its asset");
    }
}

void BM_SelectiveSearch_Direct(benchmark::State& state) {
    sqlite3_stmt* select = Compile(
        "SELECT user_id, content_id, version FROM assets WHERE name=?1 COLLATE NOCASE"
        " AND user_id>=?2 AND user_id<=?2 ORDER BY user_id, content_id, version");
    std::mt19937 random(1);
    for (auto _ : state) {
        const int i = static_cast<int>(random() % kAssets);
        const std::string name = NthName(i);
        sqlite3_bind_text(select, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(select, 2, NthAsset(i).GetUserID());
        if (Rows(select).size() != 1) state.SkipWithError("the direct query did not find its asset");
    }
    sqlite3_finalize(select);
}

void BM_BroadSearch_Daemon(benchmark::State& state) {
    Fixture& store = Store();
    for (auto _ : state) {
        VADFilterElementString filter(VADFilterElementString::kCategoryList, Vek::PString("TV"));
        const std::vector<KUID> found = SearchAssets(store.library, filter);
        if (found.size() != kAssets / 2) state.SkipWithError("the broad search found a wrong count");
    }
}

void BM_BroadSearch_Direct(benchmark::State& state) {
    sqlite3_stmt* select = Compile(
        "SELECT user_id, content_id, version FROM asset_codes WHERE kind=0 AND code=?1"
        " ORDER BY user_id, content_id, version");
    for (auto _ : state) {
        sqlite3_bind_text(select, 1, "TV", -1, SQLITE_STATIC);
        if (Rows(select).size() != kAssets / 2) state.SkipWithError("the direct query found a wrong count");
    }
    sqlite3_finalize(select);
}

void BM_AssetInfo_Daemon(benchmark::State& state) {
    Fixture& store = Store();
    std::mt19937 random(2);
    for (auto _ : state) {
        const AssetInfo info = store.library.Info(NthAsset(static_cast<int>(random() % kAssets)));
        if (!info.found) state.SkipWithError("an asset was not found");
    }
}

void BM_AssetInfo_Direct(benchmark::State& state) {
    sqlite3_stmt* select = Compile(
        "SELECT installed, editing, modified, faulty, favourite, name, keywords, description,"
        " category_class, category_region, category_era, build"
        " FROM assets WHERE user_id=?1 AND content_id=?2 AND version=?3");
    std::mt19937 random(2);
    for (auto _ : state) {
        const KUID kuid = NthAsset(static_cast<int>(random() % kAssets));
        sqlite3_bind_int(select, 1, kuid.GetUserID());
        sqlite3_bind_int(select, 2, kuid.GetContentID());
        sqlite3_bind_int(select, 3, kuid.GetVersion());
        if (sqlite3_step(select) != SQLITE_ROW) state.SkipWithError("an asset was not found");
        std::string name(reinterpret_cast<const char*>(sqlite3_column_text(select, 5)));
        benchmark::DoNotOptimize(name);
        sqlite3_reset(select);
    }
    sqlite3_finalize(select);
}

// A fresh folder holding a configuration of a new KUID and a mesh file.
std::string NextSource(Fixture& store, KUID& kuid) {
    kuid = KUID(kUsers + 1, ++store.installs, 0);
    std::ofstream(store.source + "/config.txt")
        << "kuid <kuid:" << kuid.GetUserID() << ":" << kuid.GetContentID() << ">\nusername \"Installed "
        << store.installs << "\"\nkind \"mesh\"\ncategory-class \"TRK;MESH\"\nvorlex-build 3.1\n";
    return store.source;
}

void BM_Install_Daemon(benchmark::State& state) {
    Fixture& store = Store();
    for (auto _ : state) {
        state.PauseTiming();
        KUID kuid;
        const std::string folder = NextSource(store, kuid);
        state.ResumeTiming();
        if (InstallAssetFolder(store.library, folder, nullptr) != kuid) state.SkipWithError("an install failed");
    }
}

void BM_Install_Direct(benchmark::State& state) {
    Fixture& store = Store();
    sqlite3_stmt* insert = Compile(
        "INSERT INTO reference_rows(user_id, content_id, version, name, category_class) VALUES(?1, ?2, ?3, ?4, ?5)");
    const std::string copies = (store.root / "copies").string();
    std::filesystem::create_directories(copies);
    for (auto _ : state) {
        state.PauseTiming();
        KUID kuid;
        const std::string folder = NextSource(store, kuid);
        const std::string target = copies + "/" + std::to_string(store.installs);
        state.ResumeTiming();
        CopyTreeBetweenRoots(Vek::PString(), folder.c_str(), Vek::PString(), target.c_str());
        sqlite3_exec(store.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        sqlite3_bind_int(insert, 1, kuid.GetUserID());
        sqlite3_bind_int(insert, 2, kuid.GetContentID());
        sqlite3_bind_int(insert, 3, kuid.GetVersion());
        sqlite3_bind_text(insert, 4, "Installed", -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 5, "TRK;MESH", -1, SQLITE_STATIC);
        if (sqlite3_step(insert) != SQLITE_DONE) state.SkipWithError("an insert failed");
        sqlite3_reset(insert);
        sqlite3_exec(store.db, "COMMIT", nullptr, nullptr, nullptr);
    }
    sqlite3_finalize(insert);
}

BENCHMARK(BM_SelectiveSearch_Daemon)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SelectiveSearch_Direct)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BroadSearch_Daemon)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BroadSearch_Direct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AssetInfo_Daemon)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AssetInfo_Direct)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Install_Daemon)->Unit(benchmark::kMicrosecond)->Iterations(2000);
BENCHMARK(BM_Install_Direct)->Unit(benchmark::kMicrosecond)->Iterations(2000);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Store();
    RatioReporter reporter("Daemon", "Direct", {"SelectiveSearch", "BroadSearch", "AssetInfo", "Install"});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
