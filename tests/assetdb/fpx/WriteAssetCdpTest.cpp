#include "assetdb/fpx/WriteAssetCdp.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ScenarioText.h"
#include "assetdb/archives/ArchiveDaemonFixture.h"
#include "assetdb/archives/ArchiveTestSupport.h"
#include "assetdb/archives/CdpArchive.h"
#include "foundation/results/ResultsLog.h"

using namespace ArchiveTest;

namespace {

const KUID kAsset(1000, 31, 0);

std::vector<std::string> Texts(ResultsLog& log) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < log.GetEntryCount(); ++i) texts.push_back(log.GetEntry(i).text.c_str());
    return texts;
}

class WriteAssetCdpTest : public ArchiveDaemonTest {};

TEST_F(WriteAssetCdpTest, ExportedAssetBecomesASignedSingleAssetArchive) {
    SoupHandle exported = AssetSoup(kAsset);
    SoupHandle files;
    SetRaw(files, "body.pm", Bytes("the body of the asset"));
    exported.SetContainer("files", files);
    exported.SetString("compression", "");
    // The first export succeeds, later ones come back empty.
    UseScenario(FpxTest::ScenarioRules({{48, 1, true, {"hex " + SoupHex(exported)}, "", {}}, {48, 0, true, {}, "", {}}}));
    Open();

    ResultsLog log;
    const std::string path = Path("single.cdp");
    ASSERT_TRUE(WriteAssetCdp(kAsset, path.c_str(), log));
    EXPECT_EQ(log.GetEntryCount(), 0u);
    CdpArchive archive;
    Vek::PString error;
    ASSERT_TRUE(archive.Load(error, Vek::PString(), path.c_str()).IsEmpty()) << error.c_str();
    ASSERT_EQ(archive.AssetCount(), 1);
    const CdpAssetEntry entry = archive.GetAsset(0);
    EXPECT_EQ(entry.GetKUID(), kAsset);
    EXPECT_TRUE(entry.CheckSignature());
    // Archive building asks in mode 3.
    ASSERT_EQ(Frames(48).size(), 1u);
    EXPECT_EQ(Frames(48)[0].substr(16), "03000000");

    // An export that gives nothing: the error, and no file.
    const std::string failed = Path("failed.cdp");
    EXPECT_FALSE(WriteAssetCdp(kAsset, failed.c_str(), log));
    EXPECT_EQ(Texts(log), std::vector<std::string>{
                              "Unable to write asset to CDP: Unable to add content as it doesnt not contain a valid KUID"});
    EXPECT_FALSE(std::filesystem::exists(failed));
}

TEST_F(WriteAssetCdpTest, FileThatCannotBeWritten) {
    SoupHandle exported = AssetSoup(kAsset);
    UseScenario(FpxTest::ScenarioRules({{48, 0, true, {"hex " + SoupHex(exported)}, "", {}}}));
    Open();
    ResultsLog log;
    EXPECT_FALSE(WriteAssetCdp(kAsset, Path("missing/folder.cdp").c_str(), log));
    EXPECT_EQ(Texts(log), std::vector<std::string>{"Unable to write asset to CDP: Unable to write archive file. Needs to "
                                                   "be .cdp file extension"});
}

}  // namespace
