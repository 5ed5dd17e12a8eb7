// The command host against the stand-in daemon: the daemon hands jobs to
// the registered host, which answers each with operation 141.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assetdb/archives/ArchiveDaemonFixture.h"
#include "assetdb/archives/ArchiveTestSupport.h"
#include "assetdb/archives/CdpAssetEntry.h"
#include "assetdb/fpx/ScenarioText.h"
#include "engine/Log.h"
#include "foundation/callbacks/MainThread.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/streams/BufferStream.h"
#include "frontend/commandhost/CommandHost.h"

using namespace ArchiveTest;

namespace {

const KUID kFirst(1000, 41, 0);
const KUID kMissing(1000, 43, 0);
const KUID kSecond(1000, 42, 0);
constexpr int32_t kCallerValue = 77;

SoupHandle SignedAsset(const KUID& kuid) {
    SoupHandle soup = AssetSoup(kuid);
    SoupHandle files;
    SetRaw(files, "body.pm", Bytes("body of " + std::string(kuid.ToTagString().c_str())));
    soup.SetContainer("files", files);
    soup.SetString("compression", "");
    CdpAssetEntry(soup).SetSignature();
    return soup;
}

// An archive stream holding the assets, as the save job writes it.
std::vector<uint8_t> ArchiveStream(const std::vector<KUID>& kuids) {
    TBuffer out;
    out.WriteUInt32(0x6b617263);
    out.WriteInt32(1);
    out.WriteFloat(3.5f);
    const int32_t endWord = out.Tell();
    out.WriteInt32(0);
    out.WriteInt32(kCallerValue);
    for (const KUID& kuid : kuids) {
        out.WriteKUID(kuid);
        const int32_t recordEnd = out.Tell();
        out.WriteInt32(0);
        WriteBinarySoup(out, SignedAsset(kuid));
        out.WriteInt32At(recordEnd, out.Tell());
    }
    out.WriteKUID(KUID::Null());
    out.WriteInt32At(endWord, out.Tell());
    return std::vector<uint8_t>(out.GetData(), out.GetData() + out.GetDataSize());
}

std::vector<uint8_t> FromHex(const std::string& hex) {
    std::vector<uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

class CommandHostDaemonTest : public ArchiveDaemonTest {
protected:
    void SetUp() override {
        ArchiveDaemonTest::SetUp();
        if (IsSkipped()) return;
        RecordMainThread();
        Vek::Log::Init(("-LogFile=" + Path("log.txt")).c_str());
    }
    void TearDown() override {
        Vek::Log::Shutdown();
        ArchiveDaemonTest::TearDown();
    }
};

TEST_F(CommandHostDaemonTest, ServesScriptedJobsInOrder) {
    const std::string stream = Path("stream.dat");
    WriteBytes(stream, ArchiveStream({kFirst, kSecond}));
    FpxTest::ScenarioRuleText registration;
    registration.op = 140;
    registration.times = 1;
    registration.notices = {
        {1, {"int32 7"}},
        {1,
         {"int32 3", "int32 " + std::to_string(kCallerValue), "pstring " + stream, "int32 3",
          "kuid " + std::string(kFirst.ToTagString().c_str()), "kuid " + std::string(kMissing.ToTagString().c_str()),
          "kuid " + std::string(kSecond.ToTagString().c_str())}},
    };
    // The daemon leaves after the second reply.
    UseScenario(FpxTest::ScenarioRules({registration, {141, 1, false, {}, "", {}}, {141, 0, false, {}, "drop-link", {}}}));
    Open();

    EXPECT_EQ(VADCommandHost(), 0);

    ASSERT_EQ(Frames(140).size(), 1u);
    EXPECT_EQ(Frames(140)[0], "");
    const std::vector<std::string> replies = Frames(141);
    ASSERT_EQ(replies.size(), 2u);
    // The unknown job: an empty reply.
    EXPECT_EQ(replies[0], "");
    // The install: the log, then the one KUID the stream does not hold.
    const std::vector<uint8_t> bytes = FromHex(replies[1]);
    TBuffer reply;
    reply.Write(bytes.data(), static_cast<int32_t>(bytes.size()));
    reply.Rewind();
    ResultsLog log;
    log.ReadEntries(reply);
    ASSERT_EQ(log.GetEntryCount(), 2u);
    EXPECT_STREQ(log.GetEntry(0).text.c_str(), "$vad_installed");
    EXPECT_STREQ(log.GetEntry(1).text.c_str(), "$vad_installed");
    int32_t left = 0;
    KUID missing;
    EXPECT_TRUE(reply.ReadInt32(left));
    EXPECT_EQ(left, 1);
    EXPECT_TRUE(reply.ReadKUID(missing));
    EXPECT_EQ(missing, kMissing);
    EXPECT_EQ(reply.Tell(), reply.GetDataSize());
    EXPECT_EQ(ReadBytes(UserData("local/kuid 1000 42/body.pm")), Bytes("body of <kuid:1000:42>"));
}

}  // namespace
