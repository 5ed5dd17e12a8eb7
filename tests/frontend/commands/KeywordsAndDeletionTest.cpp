#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/soups/SoupFiles.h"
#include "foundation/soups/SoupHandle.h"
#include "frontend/commands/CommandTestDaemon.h"
#include "frontend/commands/Keywords.h"

namespace {

using namespace CommandTest;

class KeywordsTest : public CommandFixture {
protected:
    void SetUp() override {
        CommandFixture::SetUp();
        Daemon().Reply(2, Bytes().I32(2).Kuid(3, 100, 0).Kuid(3, 101, 1));
        Daemon().On(21, [](const Frame& frame) {
            InfoRecord record;
            record.content = frame.payload[0];
            record.keywords = record.content == 100 ? "steam;red" : "";
            return Answer{record.Wire(), {}, false};
        });
    }
};

TEST_F(KeywordsTest, BackupSavesEveryAssetsKeywordsAsText) {
    const std::string file = m_dir / "Backup.DAT";
    Outcome run = Command({"backupkeywords", file});
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.log, kNoEntries);
    // Every asset the daemon knows: an empty group.
    EXPECT_EQ(Daemon().FramesOf(2)[0].payload, Bytes().Tag("grup").U8(1).U8(0).I32(0).Get());

    SoupHandle saved;
    ASSERT_TRUE(LoadSoupFile(saved, Vek::PString(), (m_dir / "backup.dat").c_str(), "txt"));
    ASSERT_EQ(saved.Count(), 2);
    EXPECT_STREQ(saved.GetTagName(0).c_str(), "<kuid:3:100>");
    EXPECT_STREQ(saved.GetString(Vek::PString("<kuid:3:100>")).c_str(), "steam;red");
    EXPECT_STREQ(saved.GetTagName(1).c_str(), "<kuid2:3:101:1>");
}

TEST_F(KeywordsTest, ABackupIsNotWrittenWhenTheDaemonGoesAwayMeanwhile) {
    const std::string file = m_dir / "backup.dat";
    SoupHandle earlier;
    earlier.SetString(Vek::PString("<kuid:3:9>"), "kept");
    ASSERT_TRUE(SaveSoupFile(earlier, Vek::PString(), file.c_str(), "txt"));
    Daemon().On(21, [](const Frame&) { return Answer{{}, {}, true}; });

    Outcome run = Command({"backupkeywords", file});
    EXPECT_EQ(run.result, -1);
    // The file name is the argument lower-cased.
    std::string lower = file;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(run.log, "- <NULL> : Unable to save the keywords to " + lower +
                           ".\n- <NULL> : The link to the daemon was lost while waiting for its reply to operation "
                           "21.\nOK (2 Errors, 0 Warnings)\n");
    SoupHandle still;
    ASSERT_TRUE(LoadSoupFile(still, Vek::PString(), file.c_str(), "txt"));
    EXPECT_STREQ(still.GetString(Vek::PString("<kuid:3:9>")).c_str(), "kept");
}

TEST_F(KeywordsTest, ImportSendsTheDumpsKeywordsFromTheInstallationFolder) {
    SoupHandle dump;
    dump.SetString(Vek::PString("<kuid:3:100>"), "steam");
    dump.SetString(Vek::PString("3:101"), "diesel;blue");
    ASSERT_TRUE(SaveSoupFile(dump, Vek::PString(), (m_dir / "KeywordsDump.dat").c_str(), "txt"));

    Outcome run = Command({"importkeywords", "ignored"});
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(Daemon().WaitForFrames(54, 2));
    const std::vector<Frame> sent = Daemon().FramesOf(54);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].id, 0) << "one-way";
    EXPECT_EQ(sent[0].payload, Bytes().Kuid(3, 100, 0).Str("steam").Get());
    // Tag names parse leniently.
    EXPECT_EQ(sent[1].payload, Bytes().Kuid(3, 101, 0).Str("diesel;blue").Get());

    std::filesystem::remove(m_dir / "KeywordsDump.dat");
    Outcome missing = Command({"importkeywords"});
    EXPECT_EQ(missing.result, -1);
    EXPECT_EQ(Daemon().FramesOf(54).size(), 2u);
}

TEST_F(KeywordsTest, FpxDeleteAllDeletesEveryLocalAsset) {
    Daemon().Reply(36, Bytes().U8(0));
    Outcome run = Command({"fpxdeleteall"});
    EXPECT_EQ(run.result, 0) << "whatever the deletions answered";
    // The status "local" alone is the whole filter.
    EXPECT_EQ(Daemon().FramesOf(2)[0].payload, Bytes().Tag("bool").I32(0).Get());
    const std::vector<Frame> deletions = Daemon().FramesOf(36);
    ASSERT_EQ(deletions.size(), 2u);
    EXPECT_EQ(deletions[0].payload, Bytes().Kuid(3, 100, 0).U8(1).Get());
    EXPECT_EQ(deletions[1].payload, Bytes().Kuid(3, 101, 1).U8(1).Get());
}

}  // namespace
