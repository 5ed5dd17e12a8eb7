// Files written in place of others: the target changes only when the new
// content is whole.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "foundation/files/ReplacementFile.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& content) { std::ofstream(path, std::ios::binary) << content; }

// The names in a folder, to see that no temporary file is left.
std::string Listing(const fs::path& folder) {
    std::string names;
    for (const auto& entry : fs::directory_iterator(folder)) names += entry.path().filename().string() + ";";
    return names;
}

bool Replace(const std::string& target, const std::string& content, std::string& error) {
    ReplacementFile file(target.c_str());
    const bool ok = file.Open() && file.Write(content.data(), content.size()) && file.Commit();
    error = file.Error();
    return ok;
}

TEST(ReplacementFile, ReplacesOrCreatesTheTargetWhenCommitted) {
    VorlexTest::TempDir temp;
    const fs::path dir(temp.Path());
    std::string error;
    ASSERT_TRUE(Replace((dir / "new.txt").string(), "first", error)) << error;
    EXPECT_EQ(ReadFile(dir / "new.txt"), "first");
    ASSERT_TRUE(Replace((dir / "new.txt").string(), "second", error)) << error;
    EXPECT_EQ(ReadFile(dir / "new.txt"), "second");
    EXPECT_EQ(error, "");
    // An existing file of another letter case is the one replaced.
    WriteFile(dir / "Mixed.TXT", "old");
    ASSERT_TRUE(Replace((dir / "mixed.txt").string(), "new", error)) << error;
    EXPECT_EQ(ReadFile(dir / "Mixed.TXT"), "new");
    EXPECT_EQ(Listing(dir).size(), std::string("new.txt;Mixed.TXT;").size()) << Listing(dir);
}

TEST(ReplacementFile, AFailureLeavesTheTargetAndNoTemporaryFile) {
    VorlexTest::TempDir temp;
    const fs::path dir(temp.Path());
    WriteFile(dir / "kept.txt", "earlier");

    // Never committed: the earlier file stays, the temporary file goes.
    {
        ReplacementFile file((dir / "kept.txt").c_str());
        ASSERT_TRUE(file.Open());
        EXPECT_TRUE(fs::exists(file.TemporaryPath()));
        EXPECT_EQ(fs::path(file.TemporaryPath()).parent_path(), dir) << "beside the target";
        ASSERT_TRUE(file.Write("partial", 7));
    }
    EXPECT_EQ(ReadFile(dir / "kept.txt"), "earlier");
    EXPECT_EQ(Listing(dir), "kept.txt;");

    std::string error;
    struct Case {
        const char* name;
        std::string target;
        std::string error;
    };
    fs::create_directories(dir / "folder");
    const Case cases[] = {
        {"missing folder", (dir / "missing/out.txt").string(), "No such file or directory"},
        {"target is a folder", (dir / "folder").string(), "Is a directory"},
        {"no name", "", "No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(Replace(c.target, "content", error));
        EXPECT_EQ(error, c.error);
    }
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
    EXPECT_EQ(Listing(dir).size(), std::string("kept.txt;folder;").size()) << Listing(dir);

    // A write cut short by a file-size limit (set in a child process only,
    // the limit being process-wide).
    const std::string big(70000, 'x');
    auto writeUnderLimit = [&]() -> int {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {};
        if (::getrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
        limit.rlim_cur = 40000;
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 3;
        std::string why;
        if (Replace((dir / "kept.txt").string(), big, why)) return 4;
        return why == "File too large" ? 0 : 5;
    };
    EXPECT_EXIT(std::exit(writeUnderLimit()), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadFile(dir / "kept.txt"), "earlier");
    EXPECT_EQ(Listing(dir).size(), std::string("kept.txt;folder;").size()) << Listing(dir);
}

}  // namespace
