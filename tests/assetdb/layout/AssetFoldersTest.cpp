// The user folders and roots that start-up sets up below a real
// installation folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "assetdb/layout/AssetFolders.h"
#include "assetdb/layout/InstallLayout.h"
#include "assetdb/resources/ResourceDatabaseCache.h"
#include "engine/resources/ZipTestFile.h"
#include "foundation/files/LocationFiles.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

// An installation folder named with capitals ("Game"), given to the program
// in another case, so every folder the program makes is found or named
// through the case-insensitive layer.
class AssetFolders : public ::testing::Test {
protected:
    void SetUp() override {
        m_install = fs::path(m_temp.Path()) / "Game";
        m_userData = m_install / "UserData";
        fs::create_directories(m_install / "bin");
    }
    void TearDown() override {
        ReleaseAssetFolderDatabases();
        PurgeResourceDatabaseCache();
        SetInstallationFolders(nullptr);
    }
    void StartUp() {
        ASSERT_TRUE(SetInstallationPath((m_temp.Path() + "/GAME/bin/..").c_str()));
        InitializeAssetFolders();
    }

    VorlexTest::TempDir m_temp;
    fs::path m_install;
    fs::path m_userData;
};

}  // namespace

TEST_F(AssetFolders, MakesTheLayoutAndMapsTheRoots) {
    fs::create_directories(m_install / "Data");
    fs::create_directories(m_install / "scripts");
    WriteFile(m_install / "Data" / "InterfaceText.txt", "texts");
    StartUp();

    EXPECT_EQ(Names(m_install), (std::set<std::string>{"bin", "Data", "scripts", "UserData"}));
    EXPECT_EQ(Names(m_userData), (std::set<std::string>{"backups", "cache", "editing", "libraries", "local",
                                                         "original", "settings"}));
    EXPECT_EQ(Names(m_userData / "cache"), (std::set<std::string>{"bookmarks", "sessions", "water"}));

    // The seven location roots and the two script roots.
    EXPECT_TRUE(ExistsInRoot(Vek::PString("data"), "interfacetext.txt"));
    for (const char* name : {"local", "original", "backups", "editing", "cache", "settings"}) {
        const Vek::PString location(name);
        WriteFile(m_userData / name / "probe.txt", name);
        EXPECT_TRUE(ExistsInRoot(location, "probe.txt")) << name;
        EXPECT_TRUE(DeleteInRoot(location, "probe.txt")) << name;
    }
    WriteFile(m_install / "scripts" / "common.gs", "s");
    WriteFile(m_userData / "libraries" / "common.gsl", "l");
    EXPECT_TRUE(ExistsInRoot(Vek::PString("scripts"), "common.gs"));
    EXPECT_TRUE(ExistsInRoot(Vek::PString("libraries"), "common.gsl"));

    // The seven location roots are resource databases, held once each.
    const auto rows = GetResourceDatabaseCacheRows();
    ASSERT_EQ(rows.size(), 7u);
    for (const ResourceDatabaseCacheRow& row : rows) EXPECT_EQ(row.references, 1) << row.name.c_str();

    // Release gives them back and drops the script roots; the location roots
    // go with the purge that follows in shutdown.
    ReleaseAssetFolderDatabases();
    for (const ResourceDatabaseCacheRow& row : GetResourceDatabaseCacheRows())
        EXPECT_EQ(row.references, 0) << row.name.c_str();
    EXPECT_TRUE(Vek::File::GetSubst(Vek::PString("scripts")).empty());
    EXPECT_TRUE(Vek::File::GetSubst(Vek::PString("libraries")).empty());
    PurgeResourceDatabaseCache();
    for (const char* name : {"data", "local", "original", "backups", "editing", "cache", "settings"})
        EXPECT_TRUE(Vek::File::GetSubst(Vek::PString(name)).empty()) << name;
}

TEST_F(AssetFolders, APackedLocationIsReadFromItsArchive) {
    fs::create_directories(m_install / "Data");
    WriteFile(m_install / "Data" / "InterfaceText.txt", "from the folder");
    ASSERT_TRUE(ZipTest::Write((m_install / "Data.va").string(), {{"InterfaceText.txt", "from the archive"}}));
    StartUp();

    Vek::File file;
    ASSERT_TRUE(file.Open(Vek::PString("data"), "interfacetext.txt", Vek::File::kModeRead));
    std::string text(static_cast<std::size_t>(file.Length()), '\0');
    file.Read(text.data(), text.size());
    EXPECT_EQ(text, "from the archive");
}

TEST_F(AssetFolders, ASecondLayoutDoesNotPileUpReferences) {
    StartUp();
    AcquireAssetFolderDatabases();
    for (const ResourceDatabaseCacheRow& row : GetResourceDatabaseCacheRows())
        EXPECT_EQ(row.references, 1) << row.name.c_str();
}

TEST_F(AssetFolders, NothingHappensWhileTheInstallationFolderIsUnknown) {
    SetInstallationFolders(nullptr);
    InitializeAssetFolders();
    EXPECT_EQ(Names(m_install), (std::set<std::string>{"bin"}));
    EXPECT_TRUE(Vek::File::GetSubst(Vek::PString("local")).empty());
}

TEST_F(AssetFolders, AnOldTrashFolderBecomesTheBackups) {
    WriteFile(m_userData / "trash" / "kuid 1 2" / "config.txt", "old");
    StartUp();
    EXPECT_FALSE(fs::exists(m_userData / "trash"));
    EXPECT_EQ(ReadFile(m_userData / "backups" / "kuid 1 2" / "config.txt"), "old");
}

TEST_F(AssetFolders, TrashIsLeftAloneWhenBackupsExist) {
    WriteFile(m_userData / "trash" / "t.txt", "trash");
    WriteFile(m_userData / "backups" / "b.txt", "backup");
    StartUp();
    EXPECT_EQ(Names(m_userData / "trash"), (std::set<std::string>{"t.txt"}));
    EXPECT_EQ(Names(m_userData / "backups"), (std::set<std::string>{"b.txt"}));
}

TEST_F(AssetFolders, PrebuiltSettingsGoOnlyIntoAnEmptySettingsFolder) {
    WriteFile(m_install / "prebuilt" / "settings" / "internet.txt", "defaults");
    WriteFile(m_install / "prebuilt" / "settings" / "sub" / "more.txt", "more");

    StartUp();
    EXPECT_EQ(ReadFile(m_userData / "settings" / "internet.txt"), "defaults");
    EXPECT_EQ(ReadFile(m_userData / "settings" / "sub" / "more.txt"), "more");

    // A settings folder that holds anything is kept as it is.
    WriteFile(m_userData / "settings" / "internet.txt", "the user's own");
    fs::remove_all(m_userData / "settings" / "sub");
    ReleaseAssetFolderDatabases();
    StartUp();
    EXPECT_EQ(ReadFile(m_userData / "settings" / "internet.txt"), "the user's own");
    EXPECT_FALSE(fs::exists(m_userData / "settings" / "sub"));
}

// The shipped libraries go into the user's libraries folder whenever one is
// missing there: into a new folder, and into one that start-up finds again.
// A library of the same name (in any letter case) is never replaced, and
// nothing but the shipped files themselves is left behind.
TEST_F(AssetFolders, ShippedLibrariesFillInWhatTheUserLibrariesLack) {
    const fs::path shipped = m_install / "prebuilt" / "libraries";
    WriteFile(shipped / "gs.gsl", "gs library");
    WriteFile(shipped / "Library.gsl", "library");
    WriteFile(shipped / "nested" / "deeper.gsl", "not a library of the folder");

    StartUp();
    EXPECT_EQ(Names(m_userData / "libraries"), (std::set<std::string>{"Library.gsl", "gs.gsl"}));
    EXPECT_EQ(ReadFile(m_userData / "libraries" / "gs.gsl"), "gs library");

    // Deleted, changed and new: only the missing one comes back.
    fs::remove(m_userData / "libraries" / "gs.gsl");
    fs::rename(m_userData / "libraries" / "Library.gsl", m_userData / "libraries" / "LIBRARY.GSL");
    WriteFile(m_userData / "libraries" / "LIBRARY.GSL", "the user's own");
    WriteFile(shipped / "new.gsl", "new");
    ReleaseAssetFolderDatabases();
    StartUp();
    EXPECT_EQ(Names(m_userData / "libraries"), (std::set<std::string>{"LIBRARY.GSL", "gs.gsl", "new.gsl"}));
    EXPECT_EQ(ReadFile(m_userData / "libraries" / "LIBRARY.GSL"), "the user's own");
    EXPECT_EQ(ReadFile(m_userData / "libraries" / "gs.gsl"), "gs library");

    // All of UserData gone: everything shipped comes back.
    ReleaseAssetFolderDatabases();
    PurgeResourceDatabaseCache();
    fs::remove_all(m_userData);
    StartUp();
    EXPECT_EQ(Names(m_userData / "libraries"), (std::set<std::string>{"Library.gsl", "gs.gsl", "new.gsl"}));
}
