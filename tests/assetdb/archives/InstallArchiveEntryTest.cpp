#include "assetdb/archives/InstallArchiveEntry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ArchiveDaemonFixture.h"
#include "ArchiveTestSupport.h"
#include "assetdb/client/VADPromptHandler.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/SoupFiles.h"

using namespace ArchiveTest;

namespace {

const KUID kAsset(1000, 1, 0);

// An asset entry with two files; `tag` marks which version it is.
CdpAssetEntry Entry(const std::string& tag, bool signed_, const char* compression = "", const KUID& kuid = kAsset) {
    SoupHandle soup = AssetSoup(kuid, "Scenery");
    soup.SetString("username", "Water tower");
    SoupHandle files;
    SetRaw(files, "tower.pm", Bytes("tower mesh " + tag));
    SoupHandle art;
    SetRaw(art, "tower.texture", Bytes("texture " + tag));
    files.SetContainer("art", art);
    soup.SetContainer("files", files);
    soup.SetString("compression", compression);
    CdpAssetEntry entry(soup);
    if (signed_) entry.SetSignature();
    return entry;
}

std::vector<std::string> Texts(ResultsLog& log) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < log.GetEntryCount(); ++i) texts.push_back(log.GetEntry(i).text.c_str());
    return texts;
}

std::string Text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

class InstallArchiveEntryTest : public ArchiveDaemonTest {
protected:
    KUID Install(const CdpAssetEntry& entry, int32_t flags, ResultsLog& log, VADPromptHandler* prompts = nullptr) {
        KUID installed(1, 1, 1);
        uint8_t second = 0xAA;
        InstallArchiveEntry(installed, entry, log, flags, second, prompts);
        return installed;
    }
    // The commit flags of the last commit frame, or -1 when none was sent.
    int32_t LastCommitFlags() const {
        const std::vector<std::string> frames = Frames(34);
        if (frames.empty()) return -1;
        const std::string word = frames.back().substr(16, 8);
        return static_cast<int32_t>(std::stoul(word.substr(6, 2) + word.substr(4, 2) + word.substr(2, 2) +
                                                word.substr(0, 2), nullptr, 16));
    }
    std::string Local(const std::string& below, const KUID& kuid = kAsset) const {
        return UserData("local/" + std::string(kuid.ToFolderName().c_str()) + "/" + below);
    }
    std::string Editing(const std::string& below, const KUID& kuid = kAsset) const {
        return UserData("editing/" + std::string(kuid.ToFolderName().c_str()) + "/" + below);
    }
};

struct OverwriteCase {
    const char* name;
    bool installedBefore;
    int32_t flags;
    bool signatureMatches;
    int32_t commitFlags;  // -1: no commit
};

TEST_F(InstallArchiveEntryTest, OverwriteTable) {
    const std::vector<OverwriteCase> cases = {
        {"new, flags 10, signed", false, 10, true, 14},
        {"new, flags 10, unsigned", false, 10, false, 8},
        {"new, flags 2, signed", false, 2, true, 6},
        {"new, flags 2, unsigned", false, 2, false, 0},
        {"new, flags 6: bit 4 is not the caller's", false, 6, false, 0},
        {"installed, flags 10, signed", true, 10, true, -1},
        {"installed, flags 2, unsigned", true, 2, false, -1},
    };
    Open();
    int32_t content = 100;
    for (const OverwriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        // Each case installs an asset of its own.
        const KUID kuid(1000, content++, 0);
        if (c.installedBefore) {
            ResultsLog first;
            ASSERT_EQ(Install(Entry("old", true, "", kuid), 2, first), kuid);
        }
        const std::size_t commitsBefore = Frames(34).size();

        ResultsLog log;
        EXPECT_EQ(Install(Entry("new", c.signatureMatches, "", kuid), c.flags, log), kuid);
        EXPECT_EQ(Texts(log), std::vector<std::string>{"$vad_installed"});
        EXPECT_STREQ(log.GetEntry(0).property.GetValueText().c_str(), kuid.ToTagString().c_str());
        if (c.commitFlags < 0) {
            EXPECT_EQ(Frames(34).size(), commitsBefore);
            // Written into the editing folder over the old files, with a
            // text configuration, and left open for editing.
            EXPECT_EQ(FilesBelow(Editing("", kuid)),
                      (std::vector<std::string>{"art/tower.texture", "config.txt", "tower.pm"}));
            EXPECT_EQ(Text(ReadBytes(Editing("tower.pm", kuid))), "tower mesh new");
            EXPECT_EQ(Text(ReadBytes(Local("tower.pm", kuid))), "tower mesh old");
        } else {
            EXPECT_EQ(Frames(34).size(), commitsBefore + 1);
            EXPECT_EQ(LastCommitFlags(), c.commitFlags);
            EXPECT_EQ(FilesBelow(Local("", kuid)),
                      (std::vector<std::string>{"art/tower.texture", "config.chump", "tower.pm"}));
            SoupHandle config;
            ASSERT_TRUE(LoadSoupFile(config, Vek::PString(), Local("config.chump", kuid).c_str()));
            EXPECT_STREQ(config.GetString("kind").c_str(), "scenery");
            EXPECT_FALSE(config.HasTag("files"));
            EXPECT_FALSE(config.HasTag("compression"));
        }
    }
}

class FixedAnswer : public VADPromptHandler {
public:
    explicit FixedAnswer(int32_t answer) : m_answer(answer) {}
    int32_t Answer(const Vek::String& question, Vek::String& message, const KUID& asset, ResultsLog*) override {
        questions.push_back(std::string(question.c_str()) + "|" + message.c_str() + "|" + asset.ToTagString().c_str());
        return m_answer;
    }
    std::vector<std::string> questions;

private:
    int32_t m_answer;
};

TEST_F(InstallArchiveEntryTest, PromptHandlerDecidesForAnInstalledAsset) {
    Open();
    FixedAnswer no(1);
    ResultsLog first;
    // A new asset is never asked about.
    ASSERT_EQ(Install(Entry("old", false), 2, first, &no), kAsset);
    EXPECT_TRUE(no.questions.empty());

    const std::size_t opens = Frames(30).size();
    ResultsLog refused;
    EXPECT_TRUE(Install(Entry("new", false), 2, refused, &no).IsNull());
    EXPECT_EQ(no.questions,
              std::vector<std::string>{"$vad_prompt_alreadyinstalled|$vad_prompt_alreadyinstalled_log|<kuid:1000:1>"});
    EXPECT_EQ(refused.GetEntryCount(), 0u);
    EXPECT_EQ(Frames(30).size(), opens);
    EXPECT_EQ(Text(ReadBytes(Local("tower.pm"))), "tower mesh old");

    FixedAnswer yes(3);
    ResultsLog accepted;
    EXPECT_EQ(Install(Entry("new", false), 2, accepted, &yes), kAsset);
    EXPECT_EQ(Texts(accepted), std::vector<std::string>{"$vad_installed"});
    EXPECT_EQ(Text(ReadBytes(Editing("tower.pm"))), "tower mesh new");
}

TEST_F(InstallArchiveEntryTest, FailuresRevertAndReport) {
    Open();
    struct Case {
        const char* name;
        CdpAssetEntry entry;
        const char* message;
    };
    // A folder named like the configuration makes its save fail.
    CdpAssetEntry blocked = Entry("x", false);
    SoupHandle blocker;
    SetRaw(blocker, "inside.txt", Bytes("x"));
    blocked.GetSoup().GetContainer("files").SetContainer("config.txt", blocker);
    const std::vector<Case> cases = {
        {"unknown compression", Entry("x", false, "ZIP"), "$vad_failed_install"},
        {"configuration not written", blocked, "$vad_write_error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t reverts = Frames(33).size();
        ResultsLog log;
        EXPECT_TRUE(Install(c.entry, 0, log).IsNull());
        EXPECT_EQ(Texts(log), std::vector<std::string>{c.message});
        EXPECT_EQ(Frames(33).size(), reverts + 1);
        EXPECT_TRUE(Frames(34).empty());
        // The reverted new asset is gone again.
        EXPECT_FALSE(std::filesystem::exists(UserData("editing/kuid 1000 1")));
    }
}

TEST(InstallArchiveEntryWithoutKuid, IsRefusedWithoutAskingTheDaemon) {
    ResultsLog log;
    KUID installed(1, 1, 1);
    uint8_t second = 0;
    InstallArchiveEntry(installed, CdpAssetEntry(), log, 2, second, nullptr);
    EXPECT_TRUE(installed.IsNull());
    EXPECT_EQ(Texts(log), std::vector<std::string>{"$vad_failed_install"});
}

}  // namespace
