// File operations by location or absolute path, on a real folder tree:
// I = a temporary folder, U = I/UserData, the location "local" = U/local.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/files/InstallFolders.h"
#include "foundation/files/LocationFiles.h"
#include "foundation/files/PathRules.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, const std::string& content = "x") {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

// The program's normalised form of an OS path: lower case, backslashes.
std::string Normalised(const std::string& osPath) {
    Vek::File::Path path(osPath);
    NormalisePath(path);
    return path.Str();
}

class LocationFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_temp.Path().empty());
        m_install = m_temp.Path();
        m_userData = m_install / "UserData";
        m_local = m_userData / "local";
        fs::create_directories(m_local);
        SetInstallationFolders(Normalised(m_install).c_str());
        ASSERT_TRUE(Vek::File::Subst(m_localName, GetLocationPath(m_localName).c_str(), true));
    }
    void TearDown() override {
        Vek::File::Subst(m_localName, nullptr, true);
        SetInstallationFolders(nullptr);
    }

    // The normalised absolute form of a path below I.
    std::string Abs(const fs::path& osPath) const { return Normalised(osPath.string()); }

    VorlexTest::TempDir m_temp;
    fs::path m_install;
    fs::path m_userData;
    fs::path m_local;
    const Vek::PString m_localName{"local"};
    const Vek::PString m_none;
};

}  // namespace

TEST_F(LocationFiles, ExistsInRootByLocationByAbsolutePathAndForRelativePaths) {
    WriteFile(m_local / "Kuid 1 2" / "config.txt");
    EXPECT_TRUE(ExistsInRoot(m_localName, "kuid 1 2/CONFIG.TXT"));
    EXPECT_FALSE(ExistsInRoot(m_localName, "kuid 1 2/missing.txt"));
    EXPECT_TRUE(ExistsInRoot(m_none, Abs(m_local / "Kuid 1 2").c_str()));
    EXPECT_FALSE(ExistsInRoot(m_none, Abs(m_local / "nothing").c_str()));
    // A relative path without a location cannot be placed: it counts as
    // existing, so nobody creates or overwrites it.
    EXPECT_TRUE(ExistsInRoot(m_none, "surely-not-here.txt"));
}

TEST_F(LocationFiles, IsDirectoryEmptyInRoot) {
    fs::create_directories(m_userData / "settings");
    fs::create_directories(m_userData / "settings2" / "full");  // a neighbour sharing the prefix
    fs::create_directories(m_userData / "svn");
    WriteFile(m_userData / "svn" / ".svn");
    fs::create_directories(m_local / "empty");
    fs::create_directories(m_local / "nested" / "sub");

    EXPECT_TRUE(IsDirectoryEmptyInRoot(m_none, Abs(m_userData / "settings").c_str()));
    EXPECT_TRUE(IsDirectoryEmptyInRoot(m_none, (Abs(m_userData / "settings") + "\\").c_str()));
    EXPECT_FALSE(IsDirectoryEmptyInRoot(m_none, Abs(m_userData / "svn").c_str()));  // hidden entries count
    EXPECT_FALSE(IsDirectoryEmptyInRoot(m_none, Abs(m_userData / "missing").c_str()));
    EXPECT_TRUE(IsDirectoryEmptyInRoot(m_localName, "empty"));
    EXPECT_FALSE(IsDirectoryEmptyInRoot(m_localName, "nested"));

    // The tree test looks through folders for a file.
    EXPECT_FALSE(TreeHasFileInRoot(m_localName, "nested"));
    WriteFile(m_local / "nested" / "sub" / "deep.txt");
    EXPECT_TRUE(TreeHasFileInRoot(m_localName, "nested"));
}

TEST_F(LocationFiles, MakeAndRenameRefuseRelativePathsWithoutALocation) {
    EXPECT_FALSE(MakeDirectoryInRoot(m_none, "relative-folder"));
    EXPECT_FALSE(fs::exists("relative-folder"));
    EXPECT_FALSE(MakeDirectoryInRoot(m_localName, "made/inside"));  // one level only: "made" is missing
    EXPECT_TRUE(MakeDirectoryInRoot(m_localName, "made"));
    EXPECT_TRUE(MakeDirectoryInRoot(m_localName, "made/inside"));  // '/' becomes '\\'
    EXPECT_TRUE(fs::is_directory(m_local / "made" / "inside"));
    EXPECT_TRUE(MakeDirectoryInRoot(m_none, Abs(m_userData / "cache").c_str()));
    EXPECT_TRUE(fs::is_directory(m_userData / "cache"));

    WriteFile(m_local / "a.txt");
    EXPECT_FALSE(RenameInRoot(m_none, "a.txt", "b.txt"));
    EXPECT_FALSE(RenameInRoot(m_none, Abs(m_local / "a.txt").c_str(), "b.txt"));
    EXPECT_TRUE(RenameInRoot(m_localName, "a.txt", "b.txt"));
    EXPECT_TRUE(fs::exists(m_local / "b.txt"));
    EXPECT_TRUE(RenameInRoot(m_none, Abs(m_local / "b.txt").c_str(), Abs(m_local / "c.txt").c_str()));
    EXPECT_TRUE(fs::exists(m_local / "c.txt"));
}

TEST_F(LocationFiles, DeleteInRootDeletesInsideItsRoot) {
    WriteFile(m_local / "Kuid 1 2" / "config.txt");
    WriteFile(m_local / "Kuid 1 2" / "sub" / "mesh.im");
    WriteFile(m_local / "single.txt");
    WriteFile(m_userData / "cache" / "water" / "w.bin");

    EXPECT_TRUE(DeleteInRoot(m_localName, "kuid 1 2"));  // a tree, found without case
    EXPECT_FALSE(fs::exists(m_local / "Kuid 1 2"));
    EXPECT_TRUE(DeleteInRoot(m_localName, "sub\\..\\single.txt"));  // a file; ".." inside the root is fine
    EXPECT_FALSE(fs::exists(m_local / "single.txt"));
    EXPECT_TRUE(DeleteInRoot(m_none, Abs(m_userData / "cache" / "water").c_str()));
    EXPECT_FALSE(fs::exists(m_userData / "cache" / "water"));
    EXPECT_TRUE(fs::exists(m_userData / "cache"));
    EXPECT_FALSE(DeleteInRoot(m_localName, "missing"));
}

TEST_F(LocationFiles, DeleteInRootRefusesPathsThatLeaveTheirRoot) {
    const fs::path outside = m_install / "outside";
    WriteFile(outside / "victim.txt");
    WriteFile(m_install / "UserData2" / "victim.txt");
    WriteFile(m_userData / "victim.txt");
    fs::create_directory_symlink(outside, m_local / "link");
    fs::create_directory_symlink(outside, m_userData / "dirlink");

    const struct {
        bool withLocation;
        std::string path;
    } refused[] = {
        {true, ""},
        {true, "."},
        {true, "..\\victim.txt"},
        {true, "../victim.txt"},
        {true, "a\\..\\..\\victim.txt"},
        {true, "..\\..\\outside"},
        {true, "\\victim.txt"},
        {true, "link\\victim.txt"},  // through a symbolic link to a folder outside
        {false, "relative\\victim.txt"},
        {false, Abs(outside / "victim.txt")},
        {false, Abs(m_install / "UserData2" / "victim.txt")},  // only a textual prefix of U
        {false, Abs(m_userData) + "\\..\\outside"},
        {false, Abs(m_userData / "local") + "\\..\\..\\outside\\victim.txt"},
        {false, Abs(m_userData / "dirlink" / "victim.txt")},
        {false, Abs(m_local / "link")  + "\\victim.txt"},
    };
    for (const auto& c : refused) {
        EXPECT_FALSE(DeleteInRoot(c.withLocation ? m_localName : m_none, c.path.c_str()))
            << (c.withLocation ? "local: " : "absolute: ") << c.path;
        EXPECT_TRUE(fs::exists(outside / "victim.txt")) << c.path;
    }
    EXPECT_TRUE(fs::exists(m_install / "UserData2" / "victim.txt"));
    EXPECT_TRUE(fs::exists(m_userData / "victim.txt"));
    EXPECT_TRUE(fs::exists(m_local));

    // The last component may be a link: the link goes, never what it points at.
    EXPECT_TRUE(DeleteInRoot(m_localName, "link"));
    EXPECT_FALSE(fs::is_symlink(m_local / "link"));
    EXPECT_TRUE(DeleteInRoot(m_none, Abs(m_userData / "dirlink").c_str()));
    EXPECT_FALSE(fs::is_symlink(m_userData / "dirlink"));
    EXPECT_TRUE(fs::exists(outside / "victim.txt"));
}
