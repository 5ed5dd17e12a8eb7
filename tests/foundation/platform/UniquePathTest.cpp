#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "foundation/platform/UniquePath.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

void Touch(const std::string& path) { std::ofstream(path) << "x"; }

// Runs a block with the current folder moved to `folder`.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& folder) : m_previous(fs::current_path()) { fs::current_path(folder); }
    ~CurrentFolder() { fs::current_path(m_previous); }

private:
    fs::path m_previous;
};

}  // namespace

TEST(UniquePathTest, ExtensionSplitAndSeparators) {
    struct SplitCase {
        const char* path;
        const char* stem;
        const char* extension;
    };
    const SplitCase cases[] = {
        {"Vorlex-47059.dmp", "Vorlex-47059", "dmp"},
        {"/tmp/a.b/log", "/tmp/a.b/log", ""},
        {"c:\\logs.d\\out.txt", "c:\\logs.d\\out", "txt"},
        {"archive.tar.gz", "archive.tar", "gz"},
        {"noext", "noext", ""},
        {"trailing.", "trailing", ""},
        {"", "", ""},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(PathWithoutExtension(c.path), c.stem);
        EXPECT_EQ(PathExtension(c.path), c.extension);
    }
    EXPECT_EQ(NormalisePathSeparators("a/b\\c//d"), "a\\b\\c\\\\d");
}

TEST(UniquePathTest, MakeDirectoryCreatesMissingParentsAndRefusesFiles) {
    VorlexTest::TempDir temp;
    const std::string deep = temp / "one/two\\three/";
    EXPECT_TRUE(MakeDirectory(deep));
    EXPECT_TRUE(fs::is_directory(temp / "one/two/three"));
    EXPECT_TRUE(MakeDirectory(temp / "one")) << "an existing folder";

    Touch(temp / "file");
    errno = 0;
    EXPECT_FALSE(MakeDirectory(temp / "file"));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_FALSE(MakeDirectory(temp / "file/below"));
    EXPECT_FALSE(MakeDirectory(""));
    EXPECT_TRUE(FileExists(temp / "file"));
    EXPECT_FALSE(FileExists(temp / "missing"));
}

TEST(UniquePathTest, MakeUniquePathTakesTheFirstFreeName) {
    VorlexTest::TempDir temp;
    const std::string folder = temp.Path();
    EXPECT_EQ(MakeUniquePath(folder, "Vorlex-47059.dmp"), folder + "/Vorlex-47059.dmp");

    Touch(temp / "Vorlex-47059.dmp");
    Touch(temp / "Vorlex-47059_2.dmp");
    EXPECT_EQ(MakeUniquePath(folder + "/", "Vorlex-47059.dmp"), folder + "/Vorlex-47059_3.dmp");

    // A name taken in another letter case is taken, as on Windows.
    Touch(temp / "LOG.TXT");
    EXPECT_EQ(MakeUniquePath(folder, "log.txt"), folder + "/log_2.txt");

    Touch(temp / "plain");
    EXPECT_EQ(MakeUniquePath(folder, "plain"), folder + "/plain_2");

    // A missing folder is made first; '\' separators become '/'.
    const std::string made = MakeUniquePath(folder + "\\logs\\today", "out.log");
    EXPECT_EQ(made, folder + "/logs/today/out.log");
    EXPECT_TRUE(fs::is_directory(temp / "logs/today"));
}

TEST(UniquePathTest, MakeUniquePathWithoutAFolderUsesTheCurrentOne) {
    VorlexTest::TempDir temp;
    CurrentFolder inside(temp.Path());
    Touch(temp / "report.dmp");
    const std::string current = fs::current_path().string();
    EXPECT_EQ(MakeUniquePath("", "report.dmp"), current + "/report_2.dmp");
}
