#include "assetdb/fpx/ParseFpxPackage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "assetdb/archives/ArchiveDaemonFixture.h"
#include "assetdb/archives/ArchiveTestSupport.h"
#include "assetdb/archives/CdpArchive.h"
#include "assetdb/archives/CdpAssetEntry.h"
#include "assetdb/assetinfo/VADAssetInfo.h"
#include "ScenarioText.h"
#include "foundation/properties/VorlexPropertyAssetID.h"
#include "foundation/results/ResultsLog.h"

using namespace ArchiveTest;

namespace {

const KUID kShed(1000, 21, 0);
const KUID kCrane(1000, 22, 0);

// The status and validation steps of the command words, as stand-ins that
// leave a mark in the log.
bool MarkStatus(const KUID& asset, ResultsLog& log) {
    log.AddEntry(ResultsLogEntry::kInformation, ("status " + std::string(asset.ToTagString().c_str())).c_str());
    return true;
}
bool MarkValidated(const KUID& asset, ResultsLog& log) {
    log.AddEntry(ResultsLogEntry::kInformation, ("validated " + std::string(asset.ToTagString().c_str())).c_str());
    return true;
}
const FpxAssetChecks kChecks{MarkStatus, MarkValidated};

SoupHandle Shed(const std::string& mesh) {
    SoupHandle soup = AssetSoup(kShed, "scenery");
    soup.SetString("username", "Goods shed");
    soup.SetString("description", "First line\r\nSecond \\ line");
    soup.SetFloat("vorlex-build", 3.5f);
    soup.SetString("category-class", "BIN");
    soup.SetString("category-region", "AU");
    soup.SetString("category-era", "1950s");
    soup.SetKUID("alias", KUID(1000, 99, 0));
    SoupHandle dependencies = KuidTable({KUID(1000, 77, 0)});
    soup.SetContainer("kuid-table", dependencies);
    SoupHandle obsoletes = KuidTable({KUID(1000, 20, 0)});
    soup.SetContainer("obsolete-table", obsoletes);
    SoupHandle thumbnail;
    thumbnail.SetString("image", "thumb.jpg");
    thumbnail.SetInt("width", 240);
    SoupHandle thumbnails;
    thumbnails.SetContainer("0", thumbnail);
    soup.SetContainer("thumbnails", thumbnails);
    SoupHandle files;
    SetRaw(files, "shed.pm", Bytes(mesh));
    SetRaw(files, "thumb.jpg", Bytes("THUMB OF THE SHED"));
    soup.SetContainer("files", files);
    soup.SetString("compression", "");
    CdpAssetEntry(soup).SetSignature();
    return soup;
}

// Without "alias" and "thumbnails". With `broken`, its one file is stored
// as LZSS bytes that cannot be decompressed, so its install fails.
SoupHandle Crane(bool broken = false) {
    SoupHandle soup = AssetSoup(kCrane, "mesh");
    soup.SetString("username", "Crane");
    SoupHandle files;
    SetRaw(files, "crane.pm", broken ? std::vector<uint8_t>{1, 2} : Bytes("crane mesh"));
    soup.SetContainer("files", files);
    soup.SetString("compression", broken ? "LZSS" : "");
    CdpAssetEntry(soup).SetSignature();
    return soup;
}

void WriteArchive(const std::string& path, std::vector<SoupHandle> assets, const std::string& thumbnail = "") {
    CdpArchive archive;
    Vek::PString error;
    for (SoupHandle& soup : assets) ASSERT_TRUE(archive.AddAsset(error, CdpAssetEntry(soup)).IsEmpty()) << error.c_str();
    if (!thumbnail.empty()) {
        SoupHandle root = archive.GetRoot();
        SetRaw(root, "thumbnail", Bytes(thumbnail));
    }
    ASSERT_TRUE(archive.Write(error, path.c_str()).IsEmpty()) << error.c_str();
}

std::vector<std::string> Texts(ResultsLog& log) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < log.GetEntryCount(); ++i) texts.push_back(log.GetEntry(i).text.c_str());
    return texts;
}

std::string TextOf(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

class ParseFpxPackageTest : public ArchiveDaemonTest {
protected:
    void SetUp() override {
        ArchiveDaemonTest::SetUp();
        if (IsSkipped()) return;
        std::filesystem::create_directories(Package(""));
    }
    std::string Package(const std::string& name) const { return Path("pkg/" + name); }
    // Scripts the daemon's exports (operation 48), one soup per export in
    // order.
    void ExportInOrder(const std::vector<SoupHandle>& soups) {
        std::vector<FpxTest::ScenarioRuleText> rules;
        for (const SoupHandle& soup : soups) rules.push_back({48, 1, true, {"hex " + SoupHex(soup)}, "", {}});
        UseScenario(FpxTest::ScenarioRules(rules));
    }
};

TEST_F(ParseFpxPackageTest, FactsAndPerAssetFilesOfEveryAsset) {
    ExportInOrder({Shed("shed mesh"), Crane()});
    Open();
    WriteArchive(Package("package.cdp"), {Shed("shed mesh"), Crane()}, "ARCHIVE THUMBNAIL");

    ResultsLog log;
    ASSERT_TRUE(ParseFpxPackage(Package("package.cdp").c_str(), log, kChecks));
    const std::vector<std::string> expected = {
        "$vad_installed",
        "$vad_installed",
        "status <kuid:1000:21>",
        "validated <kuid:1000:21>",
        "Name: Goods shed",
        "Description: First line\\nSecond \\\\ line",
        "Vorlex-build: 3.5",
        "Dependencies: <kuid:1000:77>, <kuid:1000:99>",
        "Obsoletes: <kuid:1000:20>",
        "kind: scenery",
        "alias-kuid: <kuid:1000:99>",
        "category-region: AU",
        "category-era: 1950s",
        "category-class: BIN",
        "status <kuid:1000:22>",
        "validated <kuid:1000:22>",
        "Name: Crane",
        "Description: ",
        "Vorlex-build: 0.0",
        "Dependencies: ",
        "Obsoletes: ",
        "kind: mesh",
        "alias-kuid: <NULL>",
        "category-region: ",
        "category-era: ",
        "category-class: ",
    };
    EXPECT_EQ(Texts(log), expected);
    EXPECT_EQ(log.GetErrorCount(), 0);
    // Every fact names its asset.
    for (std::size_t i = 2; i < log.GetEntryCount(); ++i) {
        const ResultsLogEntry entry = log.GetEntry(i);
        auto* property = dynamic_cast<VorlexPropertyAssetID*>(entry.property.Get());
        ASSERT_NE(property, nullptr) << entry.text.c_str();
        EXPECT_EQ(property->GetKUID(), i < 14 ? kShed : kCrane) << entry.text.c_str();
    }

    // One archive per asset, holding that asset, and its thumbnail: the
    // daemon's image for the shed, the archive's own for the crane.
    for (const KUID& kuid : {kShed, kCrane}) {
        CdpArchive single;
        Vek::PString error;
        const std::string name = Package(std::string(kuid.ToFolderName().c_str()) + ".cdp");
        ASSERT_TRUE(single.Load(error, Vek::PString(), name.c_str()).IsEmpty()) << error.c_str();
        ASSERT_EQ(single.AssetCount(), 1);
        EXPECT_EQ(single.GetAsset(0).GetKUID(), kuid);
    }
    EXPECT_EQ(TextOf(Package("kuid 1000 21.jpg")), "THUMB OF THE SHED");
    EXPECT_EQ(TextOf(Package("kuid 1000 22.jpg")), "ARCHIVE THUMBNAIL");
    // Installed, then committed once more.
    EXPECT_EQ(Frames(34).size(), 4u);
    EXPECT_TRUE(Frames(33).empty());
}

TEST_F(ParseFpxPackageTest, AnInstalledAssetIsOverwrittenAndCommitted) {
    ExportInOrder({Shed("old"), Shed("new")});
    Open();
    WriteArchive(Package("old.cdp"), {Shed("old")});
    ResultsLog first;
    ASSERT_TRUE(ParseFpxPackage(Package("old.cdp").c_str(), first, {}));
    const std::size_t commits = Frames(34).size();

    WriteArchive(Package("new.cdp"), {Shed("new")});
    ResultsLog log;
    EXPECT_TRUE(ParseFpxPackage(Package("new.cdp").c_str(), log, {}));
    EXPECT_EQ(log.GetErrorCount(), 0);
    EXPECT_EQ(TextOf(UserData("local/kuid 1000 21/shed.pm")), "new");
    EXPECT_GT(Frames(34).size(), commits);
    EXPECT_FALSE(std::filesystem::exists(UserData("editing/kuid 1000 21")));
}

TEST_F(ParseFpxPackageTest, AFailedInstallRevertsEveryInstallAndAborts) {
    Open();
    WriteArchive(Package("package.cdp"), {Shed("shed mesh"), Crane(true)}, "ARCHIVE THUMBNAIL");
    ResultsLog log;
    EXPECT_FALSE(ParseFpxPackage(Package("package.cdp").c_str(), log, kChecks));
    EXPECT_EQ(Texts(log), (std::vector<std::string>{"$vad_installed", "$vad_failed_install", "Aborted processing"}));
    // The failed install took its own edit back; the shed's is reverted,
    // and the shed, new in this run (its install committed as it went), is
    // deleted: the database holds neither asset afterwards.
    EXPECT_EQ(Frames(33).size(), 2u);
    EXPECT_EQ(Frames(36).size(), 1u);
    EXPECT_TRUE(Frames(48).empty());
    VADAssetInfo info;
    EXPECT_EQ(VADGetAssetInfo(kShed, info, -1), 0);
    EXPECT_EQ(VADGetAssetInfo(kCrane, info, -1), 0);
    EXPECT_FALSE(std::filesystem::exists(UserData("local/kuid 1000 21")));
    EXPECT_FALSE(std::filesystem::exists(Package("kuid 1000 21.cdp")));
    EXPECT_FALSE(std::filesystem::exists(Package("kuid 1000 21.jpg")));
}

// An asset installed before the run keeps its earlier state after an abort.
TEST_F(ParseFpxPackageTest, AnAbortGivesAnAssetInstalledBeforeItsEarlierState) {
    ExportInOrder({Shed("old")});
    Open();
    WriteArchive(Package("old.cdp"), {Shed("old")});
    ResultsLog first;
    ASSERT_TRUE(ParseFpxPackage(Package("old.cdp").c_str(), first, {}));

    WriteArchive(Package("package.cdp"), {Shed("new"), Crane(true)});
    ResultsLog log;
    EXPECT_FALSE(ParseFpxPackage(Package("package.cdp").c_str(), log, kChecks));
    EXPECT_EQ(log.GetEntry(log.GetEntryCount() - 1).text, Vek::String("Aborted processing"));
    EXPECT_TRUE(Frames(36).empty()) << "nothing deleted";
    VADAssetInfo info;
    ASSERT_EQ(VADGetAssetInfo(kShed, info, -1), 1);
    EXPECT_NE(info.statusA & VADAssetInfo::kInstalled, 0);
    EXPECT_EQ(TextOf(UserData("local/kuid 1000 21/shed.pm")), "old");
    EXPECT_EQ(VADGetAssetInfo(kCrane, info, -1), 0);
}

// A daemon that answers but never becomes ready is given up on after the
// inactivity bound.
TEST_F(ParseFpxPackageTest, ReadinessWaitIsBoundedByInactivity) {
    ::setenv("VORLEX_INACTIVITY_MS", "300", 1);
    UseScenario(FpxTest::ScenarioRules({{236, 0, true, {"byte 0"}, "", {}}}));
    Open();
    WriteArchive(Package("package.cdp"), {Shed("shed mesh")});
    ResultsLog log;
    EXPECT_FALSE(ParseFpxPackage(Package("package.cdp").c_str(), log, kChecks));
    ::unsetenv("VORLEX_INACTIVITY_MS");
    EXPECT_EQ(Texts(log), (std::vector<std::string>{"The daemon did not become ready for 1 s; gave up waiting.",
                                                    "$vad_fpx_daemon_unavailable"}));
    EXPECT_TRUE(Frames(35).empty());
}

TEST_F(ParseFpxPackageTest, UnreadableArchiveInstallsNothing) {
    Open();
    WriteBytes(Package("junk.cdp"), Bytes("not an archive"));
    ResultsLog log;
    EXPECT_FALSE(ParseFpxPackage(Package("junk.cdp").c_str(), log, kChecks));
    EXPECT_EQ(Texts(log), std::vector<std::string>{"$vad_unreadable_cdp"});
    EXPECT_TRUE(Frames(35).empty());
    EXPECT_TRUE(Frames(30).empty());
}

TEST_F(ParseFpxPackageTest, ReadinessWaitEndsWhenTheDaemonGoes) {
    UseScenario(FpxTest::ScenarioRules({{236, 3, true, {"byte 0"}, "", {}}, {236, 0, false, {}, "exit", {}}}));
    Open();
    WriteArchive(Package("package.cdp"), {Shed("shed mesh")});
    ResultsLog log;
    EXPECT_FALSE(ParseFpxPackage(Package("package.cdp").c_str(), log, kChecks));
    EXPECT_EQ(Texts(log), std::vector<std::string>{"$vad_fpx_daemon_unavailable"});
    EXPECT_EQ(Frames(235).size(), 1u);
    EXPECT_EQ(Frames(236).size(), 4u);
    EXPECT_TRUE(Frames(35).empty());
}

TEST_F(ParseFpxPackageTest, WithoutTheDatabaseNothingWaits) {
    ResultsLog log;
    EXPECT_FALSE(ParseFpxPackage(Package("package.cdp").c_str(), log, kChecks));
    EXPECT_EQ(Texts(log), std::vector<std::string>{"$vad_fpx_daemon_unavailable"});
}

}  // namespace
