// Storing library images: through a temporary file that takes the target's
// place only when it is complete.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/containers/GSLibraryBuffer.h"
#include "gscompiler/GSCompileLog.h"
#include "gscompiler/GSCompilerMain.h"
#include "gscompiler/IncludePath.h"
#include "gscompiler/library/GSLibraryFile.h"
#include "gscompiler/support/GSTestSupport.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

// The files of a folder, by name.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

using VorlexTest::FileSizeLimit;

GSLibraryBuffer& Image(GSLibraryBuffer& buffer, const std::string& bytes) {
    buffer.Init(64);
    buffer.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
    return buffer;
}

TEST(LibraryFile, ReplacesThroughATemporaryFile) {
    VorlexTest::TempDir dir;
    GSLibraryBuffer buffer;
    EXPECT_EQ(SaveLibraryImage(Image(buffer, "first image"), (dir / "a.gsl").c_str()), GSLibrarySaveResult::kSaved);
    EXPECT_EQ(SaveLibraryImage(Image(buffer, "second"), (dir / "a.gsl").c_str()), GSLibrarySaveResult::kSaved);
    EXPECT_EQ(ReadFile(dir / "a.gsl"), "second");
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"a.gsl"});
}

TEST(LibraryFile, AFailedSaveLeavesTheEarlierFile) {
    VorlexTest::TempDir dir;
    WriteFile(dir / "a.gsl", "earlier");
    GSLibraryBuffer buffer;
    {
        FileSizeLimit limit(16);
        EXPECT_EQ(SaveLibraryImage(Image(buffer, std::string(100, 'x')), (dir / "a.gsl").c_str()),
                  GSLibrarySaveResult::kWriteFailed);
    }
    EXPECT_EQ(ReadFile(dir / "a.gsl"), "earlier");
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"a.gsl"});

    // No folder to write in, or a folder where the file should go.
    EXPECT_EQ(SaveLibraryImage(Image(buffer, "x"), (dir / "missing/a.gsl").c_str()), GSLibrarySaveResult::kOpenFailed);
    std::filesystem::create_directory(dir / "b.gsl");
    EXPECT_EQ(SaveLibraryImage(Image(buffer, "x"), (dir / "b.gsl").c_str()), GSLibrarySaveResult::kOpenFailed);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "b.gsl"));
}

// A library cut short by a failing write is reported, not stored.
TEST(LibraryFile, TheCompileEntriesReportACutShortWrite) {
    VorlexTest::TempDir dir;
    WriteFile(dir / "x.gs", "class X { int a = 1; int f(int i) { return i + a; } };");
    ClearIncludePaths(IncludePaths());
    IncludePaths().AddTail(new IncludePath(Vek::File::Path(dir.Path()), Vek::PString()));
    GSCompileLog log;
    const std::string output = dir / "x.gsl";
    {
        FileSizeLimit limit(64);
        EXPECT_EQ(CompileScriptToFile(&log, "x.gs", output.c_str()), 1);
    }
    EXPECT_EQ(GSTest::Messages(log), std::vector<std::string>{"Unable to write output file: '" + output + "'.\n"});
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"x.gs"});
    ClearIncludePaths(IncludePaths());
}

}  // namespace
