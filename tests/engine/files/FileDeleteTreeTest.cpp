// Tree deletion never follows links and never leaves the folder it was
// given.
#include <gtest/gtest.h>
#include <unistd.h>

#include "FileTestSupport.h"
#include "engine/File.h"
#include "support/TempDir.h"

using FileTest::OnDisk;
using FileTest::ReadText;
using FileTest::WriteText;
using Vek::File;

class FileDeleteTree : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.Path().empty());
        WriteText(dir / "Outside/keep.txt", "keep");
        WriteText(dir / "Tree/file.txt", "");
        WriteText(dir / "Tree/Sub/Deeper/.hidden", "");
        ASSERT_EQ(::symlink((dir / "Outside").c_str(), (dir / "Tree/Sub/folderlink").c_str()), 0);
        ASSERT_EQ(::symlink((dir / "Outside/keep.txt").c_str(), (dir / "Tree/filelink").c_str()), 0);
        ASSERT_EQ(::symlink("../../Outside", (dir / "Tree/Sub/relativelink").c_str()), 0);
        ASSERT_EQ(::symlink((dir / "nowhere").c_str(), (dir / "Tree/dangling").c_str()), 0);
    }
    VorlexTest::TempDir dir;
};

TEST_F(FileDeleteTree, RemovesLinksWithoutFollowingThem) {
    EXPECT_TRUE(File::DeleteTree((dir / "TREE").c_str()));
    EXPECT_FALSE(OnDisk(dir / "Tree"));
    EXPECT_EQ(ReadText(dir / "Outside/keep.txt"), "keep");
}

TEST_F(FileDeleteTree, DotDotInThePathNamesTheFolderToDelete) {
    WriteText(dir / "Sibling/x", "");
    EXPECT_TRUE(File::DeleteTree((dir / "sibling/../tree/sub/..").c_str()));
    EXPECT_FALSE(OnDisk(dir / "Tree"));
    EXPECT_TRUE(OnDisk(dir / "Sibling/x"));
    EXPECT_EQ(ReadText(dir / "Outside/keep.txt"), "keep");
}

TEST_F(FileDeleteTree, RefusesWhatIsNoFolderOfItsOwn) {
    // A link to a folder, a file, a missing path: nothing happens.
    ASSERT_EQ(::symlink((dir / "Outside").c_str(), (dir / "OutsideLink").c_str()), 0);
    EXPECT_FALSE(File::DeleteTree((dir / "outsidelink").c_str()));
    EXPECT_TRUE(OnDisk(dir / "OutsideLink"));
    EXPECT_FALSE(File::DeleteTree((dir / "outside/keep.txt").c_str()));
    EXPECT_FALSE(File::DeleteTree((dir / "missing").c_str()));
    EXPECT_EQ(ReadText(dir / "Outside/keep.txt"), "keep");

    // Paths that collapse to the current directory or climb above it.
    char saved[4096];
    ASSERT_NE(::getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(::chdir((dir / "Tree/Sub").c_str()), 0);
    for (const char* path : {"", ".", "..", "Deeper/..", "./", "../.."})
        EXPECT_FALSE(File::DeleteTree(path)) << path;
    EXPECT_FALSE(File::DeleteTree(nullptr));
    ASSERT_EQ(::chdir(saved), 0);
    EXPECT_TRUE(OnDisk(dir / "Tree/Sub/Deeper/.hidden"));
    EXPECT_TRUE(OnDisk(dir / "Tree/file.txt"));
}

TEST_F(FileDeleteTree, ReportsWhatStays) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    WriteText(dir / "Tree/Locked/inner.txt", "");
    ASSERT_EQ(::chmod((dir / "Tree/Locked").c_str(), 0500), 0);
    EXPECT_FALSE(File::DeleteTree((dir / "Tree").c_str()));
    EXPECT_TRUE(OnDisk(dir / "Tree/Locked/inner.txt"));
    EXPECT_FALSE(OnDisk(dir / "Tree/file.txt"));  // the rest went
    EXPECT_EQ(ReadText(dir / "Outside/keep.txt"), "keep");
}
