// Case-insensitive resolution through open, exists, make, prune, rename and
// unlink.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "FileTestSupport.h"
#include "engine/File.h"
#include "support/TempDir.h"

using FileTest::Names;
using FileTest::OnDisk;
using FileTest::ReadText;
using FileTest::WriteText;
using Vek::File;

class FileResolve : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.Path().empty());
        WriteText(dir / "Data/Sub/File.TXT", "content");
    }
    VorlexTest::TempDir dir;
};

TEST_F(FileResolve, ExistingNamesResolveInAnyCase) {
    EXPECT_TRUE(File::Exists((dir / "data/SUB/file.txt").c_str()));
    EXPECT_TRUE(File::Exists((dir / "DATA\\sub\\FILE.txt").c_str()));
    EXPECT_TRUE(File::IsDirectory((dir / "dAtA/sUb").c_str()));
    EXPECT_FALSE(File::IsDirectory((dir / "data/sub/file.txt").c_str()));
    EXPECT_FALSE(File::Exists((dir / "data/sub/file.tx").c_str()));
    EXPECT_FALSE(File::Exists(""));
    EXPECT_FALSE(File::Exists(nullptr));

    File file;
    ASSERT_TRUE(file.Open((dir / "DATA/sub/file.txt").c_str(), File::kModeRead));
    EXPECT_EQ(FileTest::ReadAll(file), "content");
    EXPECT_EQ(file.GetPath().Str(), dir / "DATA/sub/file.txt");

    // Existing components get their names on disk, the rest stays as written;
    // ".." collapses as text.
    EXPECT_EQ(File::ResolveOsPath((dir / "data\\SUB\\x\\..\\New\\Name").c_str()), dir / "Data/Sub/New/Name");
    EXPECT_EQ(File::ResolveOsPath(""), "");
    // A drive form is absolute; its letter has no meaning here.
    EXPECT_EQ(File::ResolveOsPath(("C:" + dir.Path() + "\\data").c_str()), dir / "Data");
}

TEST_F(FileResolve, RelativePathsResolveAgainstTheCurrentDirectory) {
    char saved[4096];
    ASSERT_NE(::getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(::chdir((dir / "Data").c_str()), 0);
    EXPECT_TRUE(File::Exists("sub\\FILE.txt"));
    EXPECT_EQ(File::ResolveOsPath("SUB/file.txt"), "Sub/File.TXT");
    EXPECT_EQ(File::ResolveOsPath("./x/.."), ".");
    EXPECT_TRUE(File::Exists("../data/sub/file.txt"));
    ASSERT_EQ(::chdir(saved), 0);
}

TEST_F(FileResolve, SeveralCaseMatchesTakeTheExactOneElseTheFirstInByteOrder) {
    WriteText(dir / "Data/ab", "ab");
    WriteText(dir / "Data/Ab", "Ab");
    WriteText(dir / "Data/AB", "AB");
    struct {
        const char* asked;
        const char* opened;
    } cases[] = {{"ab", "ab"}, {"Ab", "Ab"}, {"aB", "AB"}};
    for (const auto& c : cases) {
        File file;
        ASSERT_TRUE(file.Open((dir / "data/" + c.asked).c_str(), File::kModeRead)) << c.asked;
        EXPECT_EQ(FileTest::ReadAll(file), c.opened) << c.asked;
    }
}

TEST_F(FileResolve, CreatedNamesAreAsWrittenAndExistingOnesAreReused) {
    File file;
    ASSERT_TRUE(file.Open((dir / "data/sub/NewFile.txt").c_str(), 257));
    file.Close();
    EXPECT_TRUE(OnDisk(dir / "Data/Sub/NewFile.txt"));

    // Another case of an existing file opens (and truncates) that file.
    ASSERT_TRUE(file.Open((dir / "DATA/SUB/FILE.txt").c_str(), 257));
    EXPECT_EQ(file.Write("x", 1), 1u);
    file.Close();
    EXPECT_EQ(Names(dir / "Data/Sub"), (std::vector<std::string>{"File.TXT", "NewFile.txt"}));
    EXPECT_EQ(ReadText(dir / "Data/Sub/File.TXT"), "x");
}

TEST_F(FileResolve, WritingNeverMakesFoldersButPruneDoes) {
    File file;
    EXPECT_FALSE(file.Open((dir / "NoFolder/deeper/x.dat").c_str(), 257));
    EXPECT_FALSE(OnDisk(dir / "NoFolder"));

    EXPECT_TRUE(File::Prune((dir / "NoFolder/deeper/x.dat").c_str()));
    EXPECT_TRUE(OnDisk(dir / "NoFolder/deeper"));
    EXPECT_FALSE(OnDisk(dir / "NoFolder/deeper/x.dat"));
    EXPECT_TRUE(file.Open((dir / "nofolder/DEEPER/x.dat").c_str(), 257));

    // Existing folders are found in any case; a file in the way fails.
    EXPECT_TRUE(File::Prune((dir / "data/SUB/new/x").c_str()));
    EXPECT_EQ(Names(dir / "Data"), (std::vector<std::string>{"Sub"}));
    EXPECT_TRUE(OnDisk(dir / "Data/Sub/new"));
    EXPECT_FALSE(File::Prune((dir / "data/sub/file.txt/x/y").c_str()));
    EXPECT_TRUE(File::Prune("x.dat"));  // no folder to make
}

TEST_F(FileResolve, MakeDirectoryMakesOneLevel) {
    EXPECT_TRUE(File::MakeDirectory((dir / "DATA/sub").c_str()));  // exists, other case
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"Data"}));
    EXPECT_TRUE(File::MakeDirectory((dir / "data/Made/").c_str()));
    EXPECT_TRUE(OnDisk(dir / "Data/Made"));
    EXPECT_FALSE(File::MakeDirectory((dir / "missing/child").c_str()));
    EXPECT_FALSE(File::MakeDirectory((dir / "data/sub/file.txt").c_str()));
}

TEST_F(FileResolve, RenameNeverReplacesButMayChangeCase) {
    WriteText(dir / "Data/Other.txt", "other");
    EXPECT_FALSE(File::Rename((dir / "data/other.txt").c_str(), (dir / "data/sub/FILE.TXT").c_str()));
    EXPECT_EQ(ReadText(dir / "Data/Sub/File.TXT"), "content");
    EXPECT_EQ(ReadText(dir / "Data/Other.txt"), "other");

    EXPECT_TRUE(File::Rename((dir / "data/sub/file.txt").c_str(), (dir / "DATA/SUB/file.txt").c_str()));
    EXPECT_EQ(Names(dir / "Data/Sub"), (std::vector<std::string>{"file.txt"}));

    EXPECT_TRUE(File::Rename((dir / "data/other.txt").c_str(), (dir / "DATA/sub/Moved.txt").c_str()));
    EXPECT_EQ(ReadText(dir / "Data/Sub/Moved.txt"), "other");
    EXPECT_TRUE(File::Rename((dir / "data/sub").c_str(), (dir / "data/Folder").c_str()));
    EXPECT_TRUE(OnDisk(dir / "Data/Folder/Moved.txt"));

    EXPECT_FALSE(File::Rename((dir / "data/missing").c_str(), (dir / "data/x").c_str()));
    EXPECT_FALSE(File::Rename((dir / "data/folder").c_str(), (dir / "nofolder/x").c_str()));
    EXPECT_FALSE(File::Rename((dir / "data/folder").c_str(), ""));
}

TEST_F(FileResolve, UnlinkRemovesFilesAndLinksButNoFolders) {
    WriteText(dir / "target.txt", "kept");
    ASSERT_EQ(::symlink((dir / "target.txt").c_str(), (dir / "Link").c_str()), 0);
    EXPECT_TRUE(File::Unlink((dir / "LINK").c_str()));
    EXPECT_FALSE(OnDisk(dir / "Link"));
    EXPECT_EQ(ReadText(dir / "target.txt"), "kept");

    EXPECT_FALSE(File::Unlink((dir / "data/sub").c_str()));
    EXPECT_TRUE(File::Unlink((dir / "data/sub/FILE.TXT").c_str()));
    EXPECT_FALSE(OnDisk(dir / "Data/Sub/File.TXT"));
    EXPECT_FALSE(File::Unlink((dir / "data/sub/FILE.TXT").c_str()));
}
