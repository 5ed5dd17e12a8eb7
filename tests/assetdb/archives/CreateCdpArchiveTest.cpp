#include "assetdb/archives/CreateCdpArchive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ArchiveDaemonFixture.h"
#include "ArchiveTestSupport.h"
#include "assetdb/archives/CdpArchive.h"
#include "assetdb/archives/InstallArchiveEntry.h"
#include "foundation/results/ResultsLog.h"

using namespace ArchiveTest;

namespace {

const KUID kAsset(1000, 1, 0);

std::vector<std::string> Texts(ResultsLog& log) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < log.GetEntryCount(); ++i) texts.push_back(log.GetEntry(i).text.c_str());
    return texts;
}

TEST(CreateCdpArchiveArguments, AreCheckedBeforeAnyRequest) {
    VorlexTest::TempDir dir;
    struct Case {
        const char* name;
        std::string output;
        std::vector<const char*> assets;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"no output path", "", {"<kuid:1000:1>"}, "Missing output path parameter."},
        {"output without .cdp", dir / "out.txt", {"<kuid:1000:1>"}, "The output filename must have a .cdp extension."},
        {"no KUID", dir / "out.cdp", {"not a kuid"}, "Invalid AssetID."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResultsLog log;
        EXPECT_EQ(CreateCdpArchive(c.output.c_str(), c.assets.data(), static_cast<int32_t>(c.assets.size()), log), -1);
        EXPECT_EQ(Texts(log), std::vector<std::string>{c.message});
        EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    }
}

class CreateCdpArchiveTest : public ArchiveDaemonTest {
protected:
    // Installs the asset through the stand-in, so that it is local.
    void InstallAsset() {
        SoupHandle soup = AssetSoup(kAsset);
        SoupHandle files;
        SetRaw(files, "mesh.pm", Bytes("mesh"));
        soup.SetContainer("files", files);
        soup.SetString("compression", "");
        KUID installed;
        uint8_t second = 0;
        ResultsLog log;
        InstallArchiveEntry(installed, CdpAssetEntry(soup), log, 2, second, nullptr);
        ASSERT_EQ(installed, kAsset);
    }
    void ScriptExport(const std::string& replyItems) {
        UseScenario("rules\n{\n  0\n  {\n    op 48\n    reply\n    {\n" + replyItems + "    }\n  }\n}\n");
    }
};

TEST_F(CreateCdpArchiveTest, AssetThatIsNotLocal) {
    Open();
    const std::string output = Path("out.cdp");
    const char* assets[] = {"<kuid:1000:1>"};
    ResultsLog log;
    EXPECT_EQ(CreateCdpArchive(output.c_str(), assets, 1, log), -1);
    EXPECT_EQ(Texts(log), std::vector<std::string>{"Asset is not local."});
    EXPECT_STREQ(log.GetEntry(0).property->GetName().c_str(), "AssetID");
    EXPECT_STREQ(log.GetEntry(0).property.GetValueText().c_str(), "<kuid:1000:1>");
    EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(CreateCdpArchiveTest, FailedExportFailsTheCommand) {
    ScriptExport("");
    Open();
    InstallAsset();
    const std::string output = Path("out.cdp");
    const char* assets[] = {"<kuid:1000:1>"};
    ResultsLog log;
    EXPECT_EQ(CreateCdpArchive(output.c_str(), assets, 1, log), -1);
    EXPECT_EQ(Texts(log), std::vector<std::string>{"Unable to add content as it doesnt not contain a valid KUID"});
    EXPECT_STREQ(log.GetEntry(0).property.GetValueText().c_str(), "<kuid:1000:1>");
    EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(CreateCdpArchiveTest, WritesEachAssetOnce) {
    SoupHandle exported = AssetSoup(kAsset);
    SoupHandle files;
    SetRaw(files, "mesh.pm", Bytes("mesh"));
    exported.SetContainer("files", files);
    exported.SetString("compression", "");
    ScriptExport("      0 \"hex " + SoupHex(exported) + "\"\n");
    Open();
    InstallAsset();
    const std::string output = Path("OUT.CDP");
    const char* assets[] = {"<kuid:1000:1>", "1000:1"};
    ResultsLog log;
    EXPECT_EQ(CreateCdpArchive(output.c_str(), assets, 2, log), 0);
    EXPECT_EQ(log.GetEntryCount(), 0u);
    // Exported for archive building: mode 3.
    EXPECT_EQ(Frames(48), (std::vector<std::string>{"01000000e8030000" "03000000", "01000000e8030000" "03000000"}));

    CdpArchive archive;
    Vek::PString error;
    archive.Load(error, Vek::PString(), output.c_str());
    ASSERT_STREQ(error.c_str(), "");
    EXPECT_EQ(archive.AssetCount(), 1);
    EXPECT_EQ(archive.GetAsset(0).GetKUID(), kAsset);
}

}  // namespace
