#include "assetdb/archives/AssetArchiveStream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "ArchiveDaemonFixture.h"
#include "ArchiveTestSupport.h"
#include "assetdb/archives/CdpAssetEntry.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/streams/BufferStream.h"

using namespace ArchiveTest;

namespace {

const KUID kFirst(1000, 1, 0);
const KUID kSecond(1000, 2, 0);
const KUID kMissing(1000, 3, 0);

struct Record {
    KUID kuid;
    SoupHandle soup;
    // When set, the record's end position as stored, in place of the true one.
    bool overrideEnd = false;
    int32_t end = 0;
};

// The bytes of an archive stream, written field by field.
std::vector<uint8_t> StreamBytes(int32_t version, float build, int32_t callerValue, const std::vector<Record>& records,
                                 bool terminator = true, int32_t lengthDelta = 0) {
    TBuffer out;
    out.WriteUInt32(0x6b617263);
    out.WriteInt32(version);
    if (version == 1) out.WriteFloat(build);
    const int32_t endWord = out.Tell();
    out.WriteInt32(0);
    out.WriteInt32(callerValue);
    for (const Record& record : records) {
        out.WriteKUID(record.kuid);
        const int32_t recordEnd = out.Tell();
        out.WriteInt32(0);
        WriteBinarySoup(out, record.soup);
        out.WriteInt32At(recordEnd, record.overrideEnd ? record.end : out.Tell());
    }
    if (terminator) out.WriteKUID(KUID::Null());
    out.WriteInt32At(endWord, out.Tell() + lengthDelta);
    return std::vector<uint8_t>(out.GetData(), out.GetData() + out.GetDataSize());
}

VADKuidList List(std::initializer_list<KUID> kuids) {
    VADKuidList list;
    for (const KUID& kuid : kuids) list.Add(kuid);
    return list;
}

std::vector<KUID> Kuids(const VADKuidList& list) { return std::vector<KUID>(list.begin(), list.end()); }

std::vector<std::string> Texts(ResultsLog& log) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < log.GetEntryCount(); ++i) texts.push_back(log.GetEntry(i).text.c_str());
    return texts;
}

// Interface texts of our own for the two stream messages, so that their
// parameters show.
class StreamTexts {
public:
    StreamTexts() {
        std::filesystem::create_directories(m_dir / "Data");
        std::ofstream(m_dir / "Data/InterfaceText.txt") << "$vad_archive_version \"version $(VERSION)\"\n"
                                                           "$vad_archive_unreadable \"unreadable\"\n";
        Vek::File::Subst("data", (m_dir / "Data").c_str(), true);
        InterfaceTextDB::Invalidate();
    }
    ~StreamTexts() {
        Vek::File::Subst("data", nullptr, true);
        InterfaceTextDB::Invalidate();
    }

private:
    VorlexTest::TempDir m_dir;
};

TEST(AssetArchiveStreamSave, WithoutAssetsIsHeaderAndTerminator) {
    VorlexTest::TempDir dir;
    const std::vector<uint8_t> expected = {0x63, 0x72, 0x61, 0x6b, 1,    0,    0,    0,    0,    0,
                                           0x60, 0x40, 28,   0,    0,    0,    0x78, 0x56, 0x34, 0x12,
                                           0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
    ResultsLog log;
    // Nothing to export: a complete, empty stream.
    EXPECT_TRUE(SaveAssetArchiveStream(0x12345678, (dir / "empty.dat").c_str(), VADKuidList(), log));
    EXPECT_EQ(ReadBytes(dir / "empty.dat"), expected);
    // Every export fails (no daemon): the same bytes, and false.
    EXPECT_FALSE(SaveAssetArchiveStream(0x12345678, (dir / "failed.dat").c_str(), List({kFirst, kSecond}), log));
    EXPECT_EQ(ReadBytes(dir / "failed.dat"), expected);
    // A file that cannot be made.
    EXPECT_FALSE(SaveAssetArchiveStream(1, (dir / "missing/x.dat").c_str(), VADKuidList(), log));
}

struct HeaderCase {
    const char* name;
    std::vector<uint8_t> bytes;
    bool result;
    std::vector<std::string> messages;
};

TEST(AssetArchiveStreamInstall, HeaderAndRecordChecks) {
    StreamTexts texts;
    SoupHandle other = AssetSoup(kSecond);
    std::vector<uint8_t> wrongTag = StreamBytes(1, 3.5f, 7, {});
    wrongTag[0] = 'x';
    std::vector<uint8_t> longer = StreamBytes(1, 3.5f, 7, {});
    longer.push_back(0);
    const std::vector<HeaderCase> cases = {
        {"version 0", StreamBytes(0, 0, 7, {}), true, {}},
        {"version 1", StreamBytes(1, 3.5f, 7, {}), true, {}},
        {"version 2", StreamBytes(2, 0, 7, {}), false, {"version 2"}},
        {"no version", {0x63, 0x72, 0x61, 0x6b, 1, 0}, false, {"version -1"}},
        {"wrong tag", wrongTag, false, {"unreadable"}},
        {"one byte longer", longer, false, {"unreadable"}},
        {"one byte shorter", StreamBytes(1, 3.5f, 7, {}, true, 1), false, {"unreadable"}},
        {"other caller value", StreamBytes(1, 3.5f, 8, {}), false, {"unreadable"}},
        {"no terminator", StreamBytes(1, 3.5f, 7, {{kSecond, other}}, false), false, {"unreadable"}},
        {"record end that does not advance", StreamBytes(1, 3.5f, 7, {{kSecond, other, true, 28}}), false,
         {"unreadable"}},
        {"record end before its start", StreamBytes(1, 3.5f, 7, {{kSecond, other, true, 4}}), false, {"unreadable"}},
        {"record end past the file", StreamBytes(1, 3.5f, 7, {{kSecond, other, true, 100000}}), false,
         {"unreadable"}},
        {"unlisted records are skipped", StreamBytes(1, 3.5f, 7, {{kSecond, other}, {kMissing, other}}), true, {}},
        {"listed record holding another asset", StreamBytes(1, 3.5f, 7, {{kFirst, other}}), true, {}},
        // A build that has no value in hundredths is damaged input.
        {"build not a number", StreamBytes(1, std::numeric_limits<float>::quiet_NaN(), 7, {}), false, {"unreadable"}},
        {"build infinite", StreamBytes(1, -std::numeric_limits<float>::infinity(), 7, {}), false, {"unreadable"}},
        {"build too large", StreamBytes(1, 3.0e7f, 7, {}), false, {"unreadable"}},
        {"build largest in range", StreamBytes(1, 2.0e7f, 7, {}), true, {}},
        {"build negative", StreamBytes(1, -1.5f, 7, {}), true, {}},
    };
    VorlexTest::TempDir dir;
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / "stream.dat";
        WriteBytes(path, c.bytes);
        VADKuidList kuids = List({kFirst});
        ResultsLog log;
        EXPECT_EQ(InstallAssetArchiveStream(7, kuids, path.c_str(), log), c.result);
        EXPECT_EQ(Texts(log), c.messages);
        EXPECT_EQ(Kuids(kuids), std::vector<KUID>{kFirst});
    }
    VADKuidList kuids = List({kFirst});
    ResultsLog log;
    EXPECT_FALSE(InstallAssetArchiveStream(7, kuids, (dir / "missing.dat").c_str(), log));
    EXPECT_EQ(Texts(log), std::vector<std::string>{"unreadable"});
}

SoupHandle SignedAsset(const KUID& kuid) {
    SoupHandle soup = AssetSoup(kuid);
    SoupHandle files;
    SetRaw(files, "mesh.pm", Bytes("mesh of " + std::string(kuid.ToTagString().c_str())));
    soup.SetContainer("files", files);
    soup.SetString("compression", "");
    CdpAssetEntry(soup).SetSignature();
    return soup;
}

class AssetArchiveStreamDaemonTest : public ArchiveDaemonTest {
protected:
    int32_t CommitFlags(std::size_t index) const {
        const std::string word = Frames(34).at(index).substr(16, 8);
        return static_cast<int32_t>(std::stoul(word.substr(6, 2) + word.substr(4, 2) + word.substr(2, 2) +
                                                word.substr(0, 2), nullptr, 16));
    }
};

TEST_F(AssetArchiveStreamDaemonTest, InstallFlagsFollowVersionAndBuild) {
    Open();
    struct Case {
        const char* name;
        int32_t version;
        float build;
        int32_t commitFlags;
    };
    const std::vector<Case> cases = {
        {"version 0", 0, 0.0f, 6},
        {"version 1, build 3.5", 1, 3.5f, 14},
        {"version 1, build 3.4", 1, 3.4f, 6},
    };
    int32_t content = 10;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        const KUID kuid(1000, content++, 0);
        const std::string path = Path("stream.dat");
        WriteBytes(path, StreamBytes(c.version, c.build, -5, {{kMissing, AssetSoup(kMissing)}, {kuid, SignedAsset(kuid)}}));
        VADKuidList kuids = List({kuid, kFirst});
        ResultsLog log;
        EXPECT_TRUE(InstallAssetArchiveStream(-5, kuids, path.c_str(), log));
        EXPECT_EQ(Kuids(kuids), std::vector<KUID>{kFirst});
        EXPECT_EQ(Texts(log), std::vector<std::string>{"$vad_installed"});
        ASSERT_EQ(Frames(34).size(), i + 1);
        EXPECT_EQ(CommitFlags(i), c.commitFlags);
        EXPECT_TRUE(std::filesystem::exists(UserData("local/" + std::string(kuid.ToFolderName().c_str()) + "/mesh.pm")));
    }
}

TEST_F(AssetArchiveStreamDaemonTest, SaveThenInstall) {
    // The stand-in exports the asset as scripted here.
    SoupHandle exported = SignedAsset(kFirst);
    exported.SetString("username", "Signal box");
    UseScenario("rules\n{\n  0\n  {\n    op 48\n    reply\n    {\n      0 \"hex " + SoupHex(exported) +
                "\"\n    }\n  }\n}\n");
    Open();
    const std::string path = Path("saved.dat");
    ResultsLog saveLog;
    EXPECT_TRUE(SaveAssetArchiveStream(42, path.c_str(), List({kFirst}), saveLog));
    // The export asked for the asset in mode 0.
    ASSERT_EQ(Frames(48).size(), 1u);
    EXPECT_EQ(Frames(48)[0], "01000000e8030000" "00000000");

    VADKuidList kuids = List({kMissing, kFirst});
    ResultsLog installLog;
    EXPECT_TRUE(InstallAssetArchiveStream(42, kuids, path.c_str(), installLog));
    EXPECT_EQ(Kuids(kuids), std::vector<KUID>{kMissing});
    EXPECT_EQ(Texts(installLog), std::vector<std::string>{"$vad_installed"});
    EXPECT_EQ(ReadBytes(UserData("local/kuid 1000 1/mesh.pm")), Bytes("mesh of <kuid:1000:1>"));
}

}  // namespace
