// Loading and saving by extension, the recovering loader, and printing.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>


#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "engine/File.h"
#include "engine/Log.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/soups/SoupFiles.h"
#include "foundation/soups/SoupPrinting.h"
#include "support/FileSizeLimit.h"
#include "support/NestedSoup.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}
std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

SoupHandle Sample() {
    SoupHandle soup, box;
    soup.SetString("kind", "traincar");
    soup.SetKUID("kuid", KUID(-3, 1012, 127));
    soup.SetInt("count", 12);
    soup.SetFloat("scale", 2.0f);  // reads back from text as the integer 2
    soup.SetFloat("ratio", 0.125f);
    soup.SetString("description", "caf\xC3\xA9 with blanks");
    box.SetKUID("0", KUID(1, 2, 3));
    box.SetInt("1", -4);
    soup.SetContainer("dependencies", box);
    return soup;
}

// The values a caller reads through the handle.
void ExpectSampleValues(const SoupHandle& soup, const char* what) {
    EXPECT_STREQ(soup.GetString("kind").c_str(), "traincar") << what;
    EXPECT_EQ(soup.GetKUID("kuid", KUID()), KUID(-3, 1012, 127)) << what;
    EXPECT_EQ(soup.GetInt("count", 0), 12) << what;
    EXPECT_EQ(soup.GetFloat("scale", 0), 2.0f) << what;
    EXPECT_EQ(soup.GetInt("scale", 0), 2) << what;
    EXPECT_EQ(soup.GetFloat("ratio", 0), 0.125f) << what;
    EXPECT_STREQ(soup.GetString("description").c_str(), "caf\xC3\xA9 with blanks") << what;
    SoupHandle box = soup.GetContainer("dependencies");
    EXPECT_EQ(box.GetKUID("0", KUID()), KUID(1, 2, 3)) << what;
    EXPECT_EQ(box.GetInt("1", 0), -4) << what;
}

TEST(SoupFiles, TextAndBinaryReadBackTheSameValues) {
    VorlexTest::TempDir dir;
    for (const char* name : {"config.txt", "config.chump", "archive.cdp", "archive.CDP2", "plain.TXT"}) {
        std::string path = dir / name;
        ASSERT_TRUE(SaveSoupFile(Sample(), "", path.c_str())) << name;
        SoupHandle back;
        ASSERT_TRUE(LoadSoupFile(back, "", path.c_str())) << name;
        ExpectSampleValues(back, name);
    }
    EXPECT_EQ(ReadFile(dir / "config.chump").substr(0, 4), "ACS$");
    EXPECT_EQ(ReadFile(dir / "plain.TXT").substr(0, 3), "\xEF\xBB\xBF");
}

TEST(SoupFiles, TheExtensionDecides) {
    VorlexTest::TempDir dir;
    std::string odd = dir / "settings.dat";
    // A given extension wins over the path's own; a leading '.' is skipped.
    ASSERT_TRUE(SaveSoupFile(Sample(), "", odd.c_str(), ".cdp"));
    EXPECT_EQ(ReadFile(odd).substr(0, 4), "ACS$");
    SoupHandle back;
    EXPECT_FALSE(LoadSoupFile(back, "", odd.c_str()));  // "dat" is unknown
    EXPECT_TRUE(LoadSoupFile(back, "", odd.c_str(), "chump"));
    ExpectSampleValues(back, "explicit extension");

    // Unknown extensions: false, the handle unchanged, no file made.
    std::string zip = dir / "thing.zip";
    EXPECT_FALSE(SaveSoupFile(Sample(), "", zip.c_str()));
    EXPECT_FALSE(fs::exists(zip));
    WriteFile(zip, "a 1\n");
    SoupHandle kept = Sample();
    EXPECT_FALSE(LoadSoupFile(kept, "", zip.c_str()));
    EXPECT_EQ(kept.GetInt("count", 0), 12);
    EXPECT_FALSE(LoadSoupFile(kept, "", (dir / "missing.txt").c_str()));
    EXPECT_EQ(kept.GetInt("count", 0), 12);

    // A damaged binary body loads as true with a null handle.
    std::string damaged = dir / "damaged.chump";
    WriteFile(damaged, std::string("ACS$\1\0\0\0\0\0\0\0\x08\0\0\0\x20\0\0\0\2a\0\1", 24));
    EXPECT_TRUE(LoadSoupFile(kept, "", damaged.c_str()));
    EXPECT_TRUE(kept.IsEmpty());

    struct Case {
        const char* a;
        const char* b;
        bool equal;
    };
    const Case cases[] = {
        {"txt", "TXT", true}, {"Chump", "cHUMP", true}, {"txt", "tx", false},  {"cdp2", "cdp", false},
        {"\x01", "\x1F", true}, {"a", "\x01", false},   {"", nullptr, true},   {"t_t", "t-t", false},
    };
    for (const Case& c : cases) EXPECT_EQ(SoupExtensionEquals(c.a, c.b), c.equal) << c.a;
}

TEST(SoupFiles, SaveReportsWriteFailures) {
    // A full device: the file opens, the writes fail.
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    EXPECT_FALSE(SaveSoupFile(Sample(), "", "/dev/full", "txt"));
    EXPECT_FALSE(SaveSoupFile(Sample(), "", "/dev/full", "chump"));

    VorlexTest::TempDir dir;
    std::string folder = dir / "folder.txt";
    fs::create_directory(folder);
    EXPECT_FALSE(SaveSoupFile(Sample(), "", folder.c_str()));
    EXPECT_TRUE(fs::is_directory(folder));
}

// A soup nested deeper than the readers take back: both writers refuse it.
SoupHandle TooDeep() { return VorlexTest::NestedSoup(1100); }

// A soup whose text and binary forms are some 400 KiB.
SoupHandle Large() {
    SoupHandle soup;
    const std::string text(100, 'x');
    for (int i = 0; i < 4000; ++i) soup.SetString(("tag" + std::to_string(i)).c_str(), text.c_str());
    return soup;
}

// A save that fails anywhere leaves the file it would replace as it was,
// and no temporary file behind; a save that succeeds replaces it.
// A new file is written where it goes; one that exists is replaced.
TEST(SoupFiles, AFailedSaveLeavesTheEarlierFile) {
    VorlexTest::TempDir dir;
    struct Case {
        const char* what;
        SoupHandle (*soup)();
        bool limitFileSize;
        bool saved;
    };
    const Case cases[] = {
        {"saved", &Sample, false, true},
        {"nested too deep", &TooDeep, false, false},
        {"past the file-size limit", &Large, true, false},
    };
    for (const bool earlier : {true, false})
    for (const char* name : {"config.txt", "config.chump"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(name) + ": " + c.what + (earlier ? "" : ", a new file"));
            const std::string path = dir / name;
            if (earlier) WriteFile(path, "earlier 1\n");
            bool saved;
            {
                std::unique_ptr<VorlexTest::FileSizeLimit> limit;
                if (c.limitFileSize) limit = std::make_unique<VorlexTest::FileSizeLimit>(64 * 1024);
                saved = SaveSoupFile(c.soup(), "", path.c_str());
            }
            EXPECT_EQ(saved, c.saved);
            if (c.saved) {
                SoupHandle back;
                ASSERT_TRUE(LoadSoupFile(back, "", path.c_str()));
                ExpectSampleValues(back, name);
            } else if (earlier) {
                EXPECT_EQ(ReadFile(path), "earlier 1\n");
            }
            int entries = 0;
            for (const auto& entry : fs::directory_iterator(dir.Path())) entries += entry.exists() ? 1 : 0;
            // A new file that could not be written whole is not left either.
            EXPECT_EQ(entries, earlier || c.saved ? 1 : 0) << "a temporary or partial file was left behind";
            fs::remove(path);
        }
    }
}

// Inside a named root the file is replaced where the root puts it.
TEST(SoupFiles, SavesInANamedRootReplaceTheFileThere) {
    VorlexTest::TempDir dir;
    const std::string folder = dir / "place";
    fs::create_directory(folder);
    ASSERT_TRUE(Vek::File::Subst("soupsave", folder.c_str(), true));
    WriteFile(folder + "/Settings.txt", "earlier 1\n");
    ASSERT_TRUE(SaveSoupFile(Sample(), "soupsave", "settings.txt"));
    // The existing name, letter case and all, is the one replaced.
    SoupHandle back;
    ASSERT_TRUE(LoadSoupFile(back, "", (folder + "/Settings.txt").c_str()));
    ExpectSampleValues(back, "named root");
    EXPECT_FALSE(fs::exists(folder + "/settings.txt"));
    EXPECT_FALSE(SaveSoupFile(Sample(), "no-such-root", "settings.txt"));
    Vek::File::Subst("soupsave", nullptr, true);
}

class RecoveringLoad : public ::testing::Test {
protected:
    void SetUp() override {
        SetInstallationFolders(m_dir.Path().c_str());
        m_cache = m_dir / "UserData/cache";
        fs::create_directories(m_cache);
        ASSERT_TRUE(Vek::File::Subst("cache", m_cache.c_str(), true));
    }
    std::string File(const char* name) const { return m_cache + "/" + name; }

    VorlexTest::TempDir m_dir;
    std::string m_cache;
};

TEST_F(RecoveringLoad, TwinsAreRecoveredOrRemoved) {
    // Only the twin: loaded and renamed to the file's name.
    WriteFile(File("offline-inbox.tmp"), "from twin\n");
    SoupHandle soup;
    EXPECT_TRUE(LoadSoupFileRecovering(soup, "cache", "offline-inbox.tbox"));
    EXPECT_TRUE(soup.GetRoot() && soup.Count() == 1);
    EXPECT_STREQ(soup.GetTagName(0).c_str(), "from");
    EXPECT_FALSE(fs::exists(File("offline-inbox.tmp")));
    EXPECT_EQ(ReadFile(File("offline-inbox.tbox")), "from twin\n");

    // Both: the file wins and the twin goes.
    WriteFile(File("offline-inbox.tmp"), "stale 1\n");
    EXPECT_TRUE(LoadSoupFileRecovering(soup, "cache", "offline-inbox.tbox"));
    EXPECT_STREQ(soup.GetTagName(0).c_str(), "from");
    EXPECT_FALSE(fs::exists(File("offline-inbox.tmp")));

    // Neither: false.
    EXPECT_FALSE(LoadSoupFileRecovering(soup, "cache", "offline-outbox.tbox"));
    EXPECT_EQ(SoupTwinName("cache/a.b/name"), "cache/a.b/name.tmp");
    EXPECT_EQ(SoupTwinName("x.tbox"), "x.tmp");
}

TEST_F(RecoveringLoad, FilesThatCannotBeOpenedAreLeftAlone) {
    // Something the program cannot open under the file's name (here a
    // folder; for another user's file the open fails the same way).
    fs::create_directory(File("offline-inbox.tbox"));
    WriteFile(File("offline-inbox.tbox") + "/keep", "x");
    SoupHandle soup;
    EXPECT_FALSE(LoadSoupFileRecovering(soup, "cache", "offline-inbox.tbox"));
    EXPECT_TRUE(fs::exists(File("offline-inbox.tbox") + "/keep"));

    // A readable twin is loaded but not renamed over it.
    WriteFile(File("offline-inbox.tmp"), "twin 1\n");
    EXPECT_TRUE(LoadSoupFileRecovering(soup, "cache", "offline-inbox.tbox"));
    EXPECT_EQ(soup.GetInt("twin", 0), 1);
    EXPECT_TRUE(fs::exists(File("offline-inbox.tbox") + "/keep"));
    EXPECT_TRUE(fs::exists(File("offline-inbox.tmp")));

    // An unreadable twin is not deleted either.
    fs::remove(File("offline-inbox.tmp"));
    fs::create_directory(File("offline-outbox.tmp"));
    EXPECT_FALSE(LoadSoupFileRecovering(soup, "cache", "offline-outbox.tbox"));
    EXPECT_TRUE(fs::is_directory(File("offline-outbox.tmp")));

    if (geteuid() != 0) {
        WriteFile(File("locked.tbox"), "a 1\n");
        chmod(File("locked.tbox").c_str(), 0);
        EXPECT_FALSE(LoadSoupFileRecovering(soup, "cache", "locked.tbox"));
        EXPECT_TRUE(fs::exists(File("locked.tbox")));
    }
}

TEST(SoupPrinting, TextGoesToStandardOutputAndTheLog) {
    SoupHandle soup;
    soup.SetKUID("kuid", KUID(1, 2, 0));
    testing::internal::CaptureStdout();
    PrintSoupAsText(soup);
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, SoupAsText(soup) + "\n");
    EXPECT_NE(printed.find("<kuid:1:2>\r\n"), std::string::npos);

    VorlexTest::TempDir dir;
    std::string log = dir / "log.txt";
    Vek::Log::Init(("-LogFile=" + log).c_str());
    soup.SetString("percent", "100%s");
    LogSoupAsText(soup);
    Vek::Log::Shutdown();
    EXPECT_NE(ReadFile(log).find("\"100%s\""), std::string::npos);
}

}  // namespace
