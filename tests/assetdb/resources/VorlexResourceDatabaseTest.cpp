// A location's resource database makes its name a file-system root: the
// ".va" archive when there is one, else the folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "assetdb/resources/ResourceDatabaseCache.h"
#include "assetdb/resources/VorlexResourceDatabase.h"
#include "engine/File.h"
#include "engine/FileArchive.h"
#include "engine/resources/ZipTestFile.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using Vek::File;
using Vek::PString;

namespace {

void WriteFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

std::string ReadInRoot(const Vek::ResourceDatabase& database, const char* path) {
    File file;
    if (!database.OpenFile(file, path)) return "<no file>";
    std::string text(static_cast<std::size_t>(file.Length()), '\0');
    file.Read(text.data(), text.size());
    return text;
}

class LocationDatabase : public ::testing::Test {
protected:
    void SetUp() override {
        // The location's folder, with its own copy of the asset.
        WriteFile(m_base / "kuid 1 2" / "config.txt", "from the folder");
    }
    void TearDown() override {
        PurgeResourceDatabaseCache();
        Vek::FileArchive::SetOpener(nullptr);
    }

    VorlexTest::TempDir m_dir;
    fs::path m_base = fs::path(m_dir.Path()) / "Base";
    // The path as the program gives it: lower case, backslashes.
    std::string m_path = m_dir.Path() + "\\base";
};

}  // namespace

TEST_F(LocationDatabase, TheArchiveIsReadInPlaceOfTheFolder) {
    {
        VorlexResourceDatabase database(PString("base"), m_path.c_str());
        EXPECT_TRUE(database.IsMapped());
        EXPECT_FALSE(database.IsArchive());
        EXPECT_EQ(ReadInRoot(database, "KUID 1 2\\config.txt"), "from the folder");
    }
    EXPECT_TRUE(File::GetSubst(PString("base")).empty());

    ASSERT_TRUE(ZipTest::Write(m_dir / "Base.VA", {{"kuid 1 2/config.txt", "from the archive"},
                                                   {"kuid 1 2/art/", ""}}));
    VorlexResourceDatabase* database = AcquireResourceDatabase(PString("base"), m_path.c_str());
    ASSERT_TRUE(database);
    EXPECT_TRUE(database->IsArchive());
    EXPECT_EQ(ReadInRoot(*database, "kuid 1 2/CONFIG.TXT"), "from the archive");
    EXPECT_TRUE(File::IsDirectory(PString("base"), "kuid 1 2\\art"));
    EXPECT_FALSE(database->FileExists("kuid 1 2/missing.txt"));

    ReleaseResourceDatabase(database);
    PurgeResourceDatabaseCache();
    EXPECT_TRUE(File::GetSubst(PString("base")).empty());
    EXPECT_FALSE(File::Exists(PString("base"), "kuid 1 2/config.txt"));
}

TEST_F(LocationDatabase, ADamagedArchiveHidesTheLocationInsteadOfShowingTheFolder) {
    WriteFile(fs::path(m_dir.Path()) / "base.va", "not a zip archive");
    File::Subst(PString("base"), "/some/stale/folder", true);
    VorlexResourceDatabase database(PString("base"), m_path.c_str());
    EXPECT_FALSE(database.IsMapped());
    EXPECT_TRUE(File::GetSubst(PString("base")).empty());
    EXPECT_EQ(ReadInRoot(database, "kuid 1 2/config.txt"), "<no file>");
}

TEST_F(LocationDatabase, AFolderNamedLikeTheArchiveIsNoArchive) {
    fs::create_directories(fs::path(m_dir.Path()) / "base.va");
    VorlexResourceDatabase database(PString("base"), m_path.c_str());
    EXPECT_FALSE(database.IsArchive());
    EXPECT_EQ(ReadInRoot(database, "kuid 1 2/config.txt"), "from the folder");
}

TEST_F(LocationDatabase, NoNameOrNoPathMapsNothing) {
    VorlexResourceDatabase noPath(PString("base"), "");
    EXPECT_FALSE(noPath.IsMapped());
    EXPECT_TRUE(File::GetSubst(PString("base")).empty());  // never the top of the file system
    VorlexResourceDatabase nullPath(PString("base"), nullptr);
    EXPECT_FALSE(nullPath.IsMapped());
    VorlexResourceDatabase noName(PString(), m_path.c_str());
    EXPECT_FALSE(noName.IsMapped());
}

TEST_F(LocationDatabase, WithNeitherFolderNorArchiveTheRootStandsForTheFolder) {
    const std::string missing = m_dir.Path() + "\\nothing";
    {
        VorlexResourceDatabase database(PString("nothing"), missing.c_str());
        EXPECT_TRUE(database.IsMapped());
        EXPECT_FALSE(database.IsArchive());
        EXPECT_EQ(File::GetSubst(PString("nothing")), m_dir.Path() + "/nothing/");
        // A folder made later is seen through the root.
        WriteFile(fs::path(m_dir.Path()) / "nothing" / "late.txt", "late");
        EXPECT_EQ(ReadInRoot(database, "late.txt"), "late");
    }
    EXPECT_TRUE(File::GetSubst(PString("nothing")).empty());
}
