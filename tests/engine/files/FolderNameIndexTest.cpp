// Case-insensitive look-ups in large folders: answered from the folder's
// index, which follows every change made on disk (by this process outside
// the file service, or by another process), with a bounded number of scans.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "FileTestSupport.h"
#include "engine/File.h"
#include "engine/FolderNameIndex.h"
#include "support/TempDir.h"

using FileTest::OnDisk;
using FileTest::ReadText;
using FileTest::WriteText;
using Vek::File;
using Vek::FileDetail::FolderScanCount;
using Vek::FileDetail::kIndexedFolderSize;

namespace {

std::string Nth(std::size_t i) {
    char name[32];
    std::snprintf(name, sizeof name, "Asset %05zu", i);
    return name;
}

bool InotifyAvailable() {
    const int fd = ::inotify_init1(IN_CLOEXEC);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

}  // namespace

class FolderNameIndex : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.Path().empty());
        std::filesystem::create_directory(dir / "Local");
        for (std::size_t i = 0; i < kIndexedFolderSize + 10; ++i)
            std::filesystem::create_directory(dir / ("Local/" + Nth(i)));
        WriteText(dir / "Local/Mixed.TXT", "mixed");
    }
    std::string Local(const std::string& name) const { return dir / ("local/" + name); }
    VorlexTest::TempDir dir;
};

TEST_F(FolderNameIndex, AbsentNamesInALargeFolderCostNoScanEach) {
    if (!InotifyAvailable()) GTEST_SKIP() << "no inotify instance left: large folders are scanned";
    // "Local" as written, so that only its own names are looked for.
    const auto local = [this](const std::string& name) { return dir / ("Local/" + name); };
    ASSERT_FALSE(File::Exists(local("kuid 1 1").c_str()));  // indexes "Local"
    const std::size_t scans = FolderScanCount();
    for (int i = 0; i < 1000; ++i) {
        const std::string name = "kuid 9 " + std::to_string(i);
        ASSERT_FALSE(File::Exists(local(name).c_str())) << name;
        ASSERT_TRUE(File::MakeDirectory(local(name).c_str())) << name;
        ASSERT_TRUE(File::IsDirectory(local("KUID 9 " + std::to_string(i)).c_str())) << name;
    }
    EXPECT_EQ(FolderScanCount(), scans);
    EXPECT_TRUE(OnDisk(dir / "Local/kuid 9 999"));
}

TEST_F(FolderNameIndex, ChangesMadeOnDiskAreSeen) {
    // Each step changes "Local" behind the file service's back, then asks
    // for names in another letter case.
    struct Step {
        const char* change;  // shell command run in the folder, empty for none
        const char* asked;
        const char* found;   // the name on disk, empty when there is none
    } steps[] = {
        {"", "MIXED.txt", "Mixed.TXT"},
        {"", "asset 00003", "Asset 00003"},
        {"", "brand new", ""},
        {"mkdir 'Brand New'", "brand new", "Brand New"},
        {"mkdir 'BRAND NEW'", "brand new", "BRAND NEW"},  // the first in byte order
        {"rmdir 'BRAND NEW'", "brand new", "Brand New"},
        {"mv 'Brand New' 'Renamed'", "brand new", ""},
        {"", "RENAMED", "Renamed"},
        {"mv 'Asset 00003' ../Away", "asset 00003", ""},
        {"mv ../Away 'asset 00003'", "ASSET 00003", "asset 00003"},
        {"rm Mixed.TXT", "mixed.txt", ""},
    };
    for (const Step& step : steps) {
        if (*step.change) {
            const std::string command = "cd '" + (dir / "Local") + "' && " + step.change;
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
        }
        const std::string asked = Local(step.asked);
        const std::string expected = *step.found ? dir / ("Local/" + std::string(step.found)) : asked;
        EXPECT_EQ(File::Exists(asked.c_str()), *step.found != 0) << step.change << " / " << step.asked;
        if (*step.found) EXPECT_EQ(File::ResolveOsPath(asked.c_str()), expected) << step.asked;
    }
}

TEST_F(FolderNameIndex, AFolderMadeAgainUnderTheSameNameIsReadAgain) {
    ASSERT_TRUE(File::Exists(Local("MIXED.TXT").c_str()));
    std::filesystem::remove_all(dir / "Local");
    std::filesystem::create_directory(dir / "Local");
    for (std::size_t i = 0; i < kIndexedFolderSize; ++i) std::filesystem::create_directory(dir / ("Local/x" + Nth(i)));
    WriteText(dir / "Local/Other.txt", "other");
    EXPECT_FALSE(File::Exists(Local("mixed.txt").c_str()));
    EXPECT_FALSE(File::Exists(Local("asset 00001").c_str()));
    File file;
    ASSERT_TRUE(file.Open(Local("OTHER.TXT").c_str(), File::kModeRead));
    EXPECT_EQ(FileTest::ReadAll(file), "other");
}

TEST_F(FolderNameIndex, RenameIntoALargeFolderNeverReplacesAnotherCase) {
    WriteText(dir / "source.txt", "source");
    EXPECT_FALSE(File::Rename((dir / "source.txt").c_str(), Local("mixed.txt").c_str()));
    EXPECT_EQ(ReadText(dir / "Local/Mixed.TXT"), "mixed");
    EXPECT_TRUE(File::Rename((dir / "source.txt").c_str(), Local("kuid 2 2").c_str()));
    EXPECT_FALSE(File::Rename(Local("kuid 2 2").c_str(), Local("ASSET 00001").c_str()));
    EXPECT_EQ(ReadText(dir / "Local/kuid 2 2"), "source");
}
