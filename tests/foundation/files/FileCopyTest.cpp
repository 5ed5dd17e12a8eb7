// Copying files and folder trees.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

#include "foundation/files/FileCopy.h"
#include "foundation/files/PathRules.h"
#include "foundation/streams/FileStream.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

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

// A file stream that records the size of every raw write.
class RecordingFile : public TFile {
public:
    int32_t WriteRaw(const void* data, int32_t n) override {
        writes.push_back(n);
        return TFile::WriteRaw(data, n);
    }
    std::vector<int32_t> writes;
};

const Vek::PString kNone;

}  // namespace

TEST(FileCopy, CopiesInSlicesOfAtMost32768Bytes) {
    VorlexTest::TempDir temp;
    const fs::path dir(temp.Path());
    const struct {
        std::size_t size;
        std::vector<int32_t> slices;
    } cases[] = {
        {70000, {32768, 32768, 4464}},
        {32768, {32768}},
        {4079, {4079}},  // read through the stream's buffer, which meets the end of the file
        {1, {1}},
        {0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string content = Pattern(c.size);
        WriteFile(dir / "source.bin", content);
        TFile from;
        RecordingFile to;
        ASSERT_TRUE(from.Open((dir / "source.bin").c_str(), TFile::kModeRead));
        ASSERT_TRUE(to.Open((dir / "copy.bin").c_str(), TFile::kModeWriteNew));
        EXPECT_TRUE(CopyStreamBytes(from, to, static_cast<int64_t>(c.size)));
        EXPECT_EQ(to.writes, c.slices);
        from.Close();
        to.Close();
        EXPECT_EQ(ReadFile(dir / "copy.bin"), content);
    }
}

TEST(FileCopy, AShortSourceFailsTheCopyLoop) {
    VorlexTest::TempDir temp;
    const fs::path dir(temp.Path());
    WriteFile(dir / "source.bin", Pattern(100));
    TFile from;
    TFile to;
    ASSERT_TRUE(from.Open((dir / "source.bin").c_str(), TFile::kModeRead));
    ASSERT_TRUE(to.Open((dir / "copy.bin").c_str(), TFile::kModeWriteNew));
    EXPECT_FALSE(CopyStreamBytes(from, to, 101));
}

TEST(FileCopy, CopyFileBetweenRootsCopiesEveryByte) {
    VorlexTest::TempDir temp;
    const fs::path dir(temp.Path());
    for (std::size_t size : {std::size_t{70000}, std::size_t{4079}, std::size_t{0}}) {
        SCOPED_TRACE(size);
        const std::string content = Pattern(size);
        WriteFile(dir / "Source.bin", content);
        fs::remove(dir / "copy.bin");
        // The source found without regard to case; '/' and '\' both separate.
        std::string source = temp.Path() + "/source.BIN";
        std::string destination = temp.Path() + "\\copy.bin";
        EXPECT_TRUE(CopyFileBetweenRoots(kNone, source.c_str(), kNone, destination.c_str()));
        ASSERT_TRUE(fs::exists(dir / "copy.bin"));
        EXPECT_EQ(ReadFile(dir / "copy.bin"), content);
    }
}

TEST(FileCopy, CopyFileBetweenRootsWorksInsideNamedRoots) {
    VorlexTest::TempDir temp;
    const fs::path dir(temp.Path());
    const Vek::PString from("copytest-from");
    const Vek::PString to("copytest-to");
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b");
    ASSERT_TRUE(Vek::File::Subst(from, (dir / "a").c_str(), true));
    ASSERT_TRUE(Vek::File::Subst(to, (dir / "b").c_str(), true));
    WriteFile(dir / "a" / "kuid 1 2" / "thumb.jpg", Pattern(5000));
    fs::create_directories(dir / "b" / "out");

    EXPECT_TRUE(CopyFileBetweenRoots(from, "kuid 1 2/thumb.jpg", to, "out/thumb.jpg"));
    EXPECT_EQ(ReadFile(dir / "b" / "out" / "thumb.jpg"), Pattern(5000));
    Vek::File::Subst(from, nullptr, true);
    Vek::File::Subst(to, nullptr, true);
}

TEST(FileCopy, CopyFileBetweenRootsFailures) {
    VorlexTest::TempDir temp;
    const fs::path dir(temp.Path());
    WriteFile(dir / "source.bin", Pattern(3000));

    // No source: nothing is created.
    EXPECT_FALSE(CopyFileBetweenRoots(kNone, (dir / "missing.bin").c_str(), kNone, (dir / "copy.bin").c_str()));
    EXPECT_FALSE(fs::exists(dir / "copy.bin"));
    // A destination folder that does not exist.
    EXPECT_FALSE(CopyFileBetweenRoots(kNone, (dir / "source.bin").c_str(), kNone, (dir / "no" / "copy.bin").c_str()));
    // A copy onto itself would truncate the source before reading it.
    EXPECT_FALSE(CopyFileBetweenRoots(kNone, (dir / "source.bin").c_str(), kNone, (dir / "SOURCE.bin").c_str()));
    EXPECT_EQ(ReadFile(dir / "source.bin"), Pattern(3000));
}

TEST(FileCopy, ACopyStoppedByTheFileSizeLimitFailsAndLeavesNoPartialFile) {
    VorlexTest::TempDir temp;
    const fs::path dir(temp.Path());
    WriteFile(dir / "source.bin", Pattern(70000));
    const std::string source = (dir / "source.bin").string();
    const std::string destination = (dir / "copy.bin").string();

    // The limit is process-wide: it is set in a child process only.
    auto copyUnderLimit = [&]() -> int {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {};
        if (::getrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
        limit.rlim_cur = 40000;
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 3;
        if (CopyFileBetweenRoots(kNone, source.c_str(), kNone, destination.c_str())) return 4;
        if (fs::exists(destination)) return 5;
        return 0;
    };
    EXPECT_EXIT(std::exit(copyUnderLimit()), ::testing::ExitedWithCode(0), "");
    EXPECT_FALSE(fs::exists(destination));
    // Without the limit the same copy succeeds.
    EXPECT_TRUE(CopyFileBetweenRoots(kNone, source.c_str(), kNone, destination.c_str()));
    EXPECT_EQ(ReadFile(destination), Pattern(70000));
}

TEST(FileCopy, CopyTreeBetweenRootsRefusesToOverwrite) {
    VorlexTest::TempDir temp;
    const fs::path dir(temp.Path());
    WriteFile(dir / "tree" / "a.txt", "tree a");
    WriteFile(dir / "file.txt", "source file");
    WriteFile(dir / "existing.txt", "kept");
    WriteFile(dir / "full" / "old.txt", "kept");
    fs::create_directories(dir / "empty");

    const struct {
        const char* source;
        const char* destination;
    } refused[] = {
        {"missing", "new"},               // no source
        {"file.txt", "existing.txt"},     // a file onto a file
        {"tree", "full"},                 // a folder onto a folder with something in it
        {"tree", "existing.txt"},         // a folder onto a file
        {"file.txt", "empty"},            // a file onto a folder, even an empty one
    };
    for (const auto& c : refused) {
        EXPECT_FALSE(CopyTreeBetweenRoots(kNone, (dir / c.source).c_str(), kNone, (dir / c.destination).c_str()))
            << c.source << " -> " << c.destination;
    }
    EXPECT_FALSE(fs::exists(dir / "new"));
    EXPECT_EQ(ReadFile(dir / "existing.txt"), "kept");
    EXPECT_EQ(ReadFile(dir / "full" / "old.txt"), "kept");
    EXPECT_FALSE(fs::exists(dir / "full" / "a.txt"));
    EXPECT_TRUE(fs::is_empty(dir / "empty"));
}

TEST(FileCopy, CopyTreeBetweenRootsCopiesFoldersAndGoesOnAfterAFailedEntry) {
    VorlexTest::TempDir temp;
    const fs::path dir(temp.Path());
    WriteFile(dir / "tree" / "a.txt", "a");
    WriteFile(dir / "tree" / ".hidden", "h");
    WriteFile(dir / "tree" / "sub" / "deeper" / "b.bin", Pattern(40000));
    fs::create_directories(dir / "tree" / "emptysub");
    fs::create_directories(dir / "into");

    EXPECT_TRUE(CopyTreeBetweenRoots(kNone, (dir / "tree").c_str(), kNone, (dir / "new").c_str()));
    EXPECT_TRUE(CopyTreeBetweenRoots(kNone, (dir / "tree").c_str(), kNone, (dir / "into").c_str()));
    for (const char* target : {"new", "into"}) {
        SCOPED_TRACE(target);
        EXPECT_EQ(ReadFile(dir / target / "a.txt"), "a");
        EXPECT_EQ(ReadFile(dir / target / ".hidden"), "h");
        EXPECT_EQ(ReadFile(dir / target / "sub" / "deeper" / "b.bin"), Pattern(40000));
        EXPECT_TRUE(fs::is_directory(dir / target / "emptysub"));
    }
    // A single file.
    EXPECT_TRUE(CopyTreeBetweenRoots(kNone, (dir / "tree" / "a.txt").c_str(), kNone, (dir / "one.txt").c_str()));
    EXPECT_EQ(ReadFile(dir / "one.txt"), "a");

    // An entry that cannot be copied (a FIFO is no regular file) fails the
    // copy, and the entries after it are still copied.
    ASSERT_EQ(::mkfifo((dir / "tree" / "0-pipe").c_str(), 0600), 0);
    EXPECT_FALSE(CopyTreeBetweenRoots(kNone, (dir / "tree").c_str(), kNone, (dir / "partial").c_str()));
    EXPECT_EQ(ReadFile(dir / "partial" / "a.txt"), "a");
    EXPECT_EQ(ReadFile(dir / "partial" / "sub" / "deeper" / "b.bin"), Pattern(40000));
}

TEST(FileCopy, CopyTreeBetweenRootsEndsOnAFolderThatLinksToItself) {
    VorlexTest::TempDir temp;
    const fs::path dir(temp.Path());
    WriteFile(dir / "tree" / "a.txt", "a");
    fs::create_directory_symlink(dir / "tree", dir / "tree" / "loop");
    EXPECT_FALSE(CopyTreeBetweenRoots(kNone, (dir / "tree").c_str(), kNone, (dir / "copy").c_str()));
    EXPECT_EQ(ReadFile(dir / "copy" / "a.txt"), "a");
    EXPECT_EQ(ReadFile(dir / "copy" / "loop" / "a.txt"), "a");
}
