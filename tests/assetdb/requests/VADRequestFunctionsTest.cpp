// Every request function against golden bytes: the exact payload it sends,
// what it makes of a served reply, of an empty reply, and of a request that
// fails (the database closed). Each case describes its result as a short
// text.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <mutex>

#include "assetdb/client/LinkTestFixture.h"
#include "assetdb/client/VADPromptHandler.h"
#include "assetdb/client/VADSpecRegistryHooks.h"
#include "assetdb/filters/VADFilterElementGroup.h"
#include "assetdb/requests/VADAssetDependencies.h"
#include "assetdb/requests/VADAssetEdits.h"
#include "assetdb/requests/VADAssetHandle.h"
#include "assetdb/requests/VADAssetLookups.h"
#include "assetdb/requests/VADAssetMarks.h"
#include "assetdb/requests/VADDaemonState.h"
#include "assetdb/requests/VADExportAssetSoup.h"
#include "assetdb/requests/VADFpxCandidates.h"
#include "assetdb/requests/VADGenerateKuid.h"
#include "assetdb/requests/VADInstallRequests.h"
#include "assetdb/requests/VADOnlineRequests.h"
#include "assetdb/requests/VADSearchAssets.h"
#include "assetdb/requests/VADSettings.h"
#include "assetdb/requests/VADValidateAssetFolder.h"
#include "assetdb/requests/RequestTestSupport.h"
#include "foundation/results/ResultsLog.h"

namespace {

using namespace VorlexTest;

std::string g_discarded;
void RecordDiscard(const KUID& asset) { g_discarded += KuidText(asset) + ";"; }

std::string HandleText(const VADAssetHandle& handle) {
    const VADAssetHandleRecord* record = handle.GetRecord();
    if (!record) return "empty";
    return std::to_string(record->daemonHandle) + "|" + KuidText(record->asset) + "|" + record->location.c_str() + "|" +
           record->folder.c_str() + (handle.IsEditable() ? "|edit" : "|read");
}

// A handle on the daemon's handle 55 whose location is not known yet.
VADAssetHandle Handle55(bool edit) {
    auto* record = new VADAssetHandleRecord;
    record->daemonHandle = 55;
    record->asset = kAssetA;
    return VADAssetHandle(record, edit);
}

struct Case {
    const char* name;
    int32_t op;
    bool oneWay;
    Bytes payload;
    Bytes reply;
    std::function<std::string()> call;
    std::string served;
    std::string empty;
    std::string failed;  // the database closed
};

std::vector<Case> Cases() {
    ResultsLog* noLog = nullptr;
    return {
        {"search", 2, false, Bytes("70 75 72 67 01 00 00 00 00 00"),
         Bytes().I32(2).Hex(kAssetBBytes).Hex(kAssetABytes),
         [] {
             VADFilterElementGroup everything(nullptr);
             VADKuidList list;
             list.Add(KUID(1, 2, 0));
             VADSearchAssets(&everything, list);
             return ListText(list);
         },
         "<kuid:1:2>,<kuid:-3:77>,<kuid2:523:1001:2>", "<kuid:1:2>", "<kuid:1:2>"},
        {"config", 20, false, Bytes(kAssetABytes), Bytes(kSoupBytes), [] { return SoupText(VADGetAssetConfig(kAssetA)); },
         "name=Loco", "no soup", "no soup"},
        {"spec location", 23, false, Bytes(kAssetABytes).U8(1), Bytes().PStr("local").Str("kuid 523 1001 2"),
         [] {
             Vek::PString location("x");
             Vek::File::Path folder("y");
             VADGetSpecLocation(kAssetA, location, folder, 1);
             return std::string(location.c_str()) + "|" + folder.c_str();
         },
         "local|kuid 523 1001 2", "|", "|"},
        {"resolve", 26, false, Bytes(kAssetABytes), Bytes(kAssetBBytes), [] { return KuidText(VADResolveKuid(kAssetA)); },
         "<kuid:-3:77>", "<NULL>", "<kuid2:523:1001:2>"},
        {"latest", 27, false, Bytes(kAssetABytes), Bytes(kAssetBBytes),
         [] { return KuidText(VADGetLatestKuid(kAssetA)); }, "<kuid:-3:77>", "<NULL>", "<kuid2:523:1001:2>"},
        {"description", 28, false, Bytes(kAssetABytes), Bytes().Str("A fine loco"),
         [] { return std::string(VADGetAssetDescription(kAssetA).c_str()); }, "A fine loco", "", ""},
        {"thumbnail", 29, false, Bytes(kAssetABytes).I32(240), Bytes().PStr("cache").Str("thumbs\\a.jpg").I32(9),
         [] {
             Vek::PString location("old");
             Vek::File::Path file("old");
             const int32_t value = VADGetAssetThumbnail(kAssetA, 240, location, file);
             return std::string(location.c_str()) + "|" + file.c_str() + "|" + std::to_string(value);
         },
         "cache|thumbs\\a.jpg|9", "||0", "old|old|0"},
        {"open", 30, false, Bytes(kAssetABytes).U8(1), Bytes().I64(77).PStr("editing").Str("kuid 523 1001 2"),
         [noLog] { return HandleText(VADOpenAsset(kAssetA, true, noLog)); },
         "77|<kuid2:523:1001:2>|editing|kuid 523 1001 2|edit", "empty", "empty"},
        {"open refused", 30, false, Bytes(kAssetABytes).U8(0), Bytes("ff ff ff ff ff ff ff ff"),
         [noLog] { return HandleText(VADOpenAsset(kAssetA, false, noLog)); }, "empty", "empty", "empty"},
        {"close handle", 31, false, Bytes().I64(0x0000000100000002), Bytes("01"),
         [] {
             VADCloseAssetHandle(0x0000000100000002);
             return std::string();
         },
         "", "", ""},
        {"handle location", 32, false, Bytes().I64(55), Bytes().PStr("local").Str("kuid 1 2"),
         [] {
             VADAssetHandle handle = Handle55(false);
             Vek::PString location("x");
             Vek::File::Path folder("y");
             const bool known = handle.GetLocation(location, folder);
             return std::to_string(known) + "|" + location.c_str() + "|" + folder.c_str();
         },
         "1|local|kuid 1 2", "0||", "0||"},
        {"revert", 33, false, Bytes().I64(55), Bytes("01"),
         [noLog] { return std::to_string(VADRevertAsset(Handle55(true), noLog)); }, "1", "0", "0"},
        {"commit", 34, false, Bytes().I64(55).I32(6), Bytes("01 01"),
         [noLog] {
             g_discarded.clear();
             VADAssetHandle handle = Handle55(true);
             uint8_t second = 9;
             const uint8_t ok = VADCommitAsset(handle, 6, noLog, second);
             return std::to_string(ok) + "|" + std::to_string(second) + (handle.IsEditable() ? "|edit|" : "|read|") +
                    g_discarded;
         },
         "1|1|read|<kuid2:523:1001:2>;", "0|0|edit|", "0|9|edit|"},
        {"create", 35, false, Bytes(kNullKuidBytes).U8(1).Str("My Loco"),
         Bytes().I64(88).Hex(kAssetBBytes).PStr("editing").Str("folder"),
         [] { return HandleText(VADCreateAsset(KUID(), 1, Vek::String("My Loco"))); },
         "88|<kuid:-3:77>|editing|folder|edit", "empty", "empty"},
        {"delete", 36, false, Bytes(kAssetABytes).U8(1), Bytes("01"),
         [noLog] {
             g_discarded.clear();
             return std::to_string(VADDeleteAsset(kAssetA, 1, noLog)) + "|" + g_discarded;
         },
         "1|<kuid2:523:1001:2>;", "0|", "0|"},
        {"validate folder", 38, false, Bytes().PStr("local").Str("kuid 523 1001 2"), Bytes("01"),
         [noLog] {
             return std::to_string(VADValidateAssetFolder(Vek::PString("local"), "kuid 523 1001 2", noLog));
         },
         "1", "0", "0"},
        {"install folder", 39, false, Bytes().Str("c:\\content\\loco").I32(2).U8(0), Bytes(kAssetBBytes).U8(1),
         [noLog] {
             uint8_t out = 9;
             const KUID kuid = VADInstallFromFolder("c:\\content\\loco", noLog, 2, out, nullptr);
             return KuidText(kuid) + "|" + std::to_string(out);
         },
         "<kuid:-3:77>|1", "<NULL>|0", "<NULL>|9"},
        {"install archive", 40, false, Bytes().Str("c:\\a.cdp").I32(6).U8(0), Bytes().I32(3).U8(1),
         [noLog] {
             uint8_t out = 9;
             const int32_t result = VADInstallArchiveFile("c:\\a.cdp", noLog, 6, out, nullptr);
             return std::to_string(result) + "|" + std::to_string(out);
         },
         "3|1", "0|0", "0|9"},
        {"dependencies of one", 42, false, Bytes().I32(1).Hex(kAssetABytes), Bytes().I32(1).Hex(kAssetBBytes),
         [] {
             VADKuidList result;
             VADGetAssetDependencies(kAssetA, result);
             return ListText(result);
         },
         "<kuid:-3:77>", "", ""},
        {"dependency list", 42, false, Bytes().I32(2).Hex(kAssetABytes).Hex(kAssetBBytes),
         Bytes().I32(3).Hex(kAssetBBytes).Hex(kAssetABytes),  // the count says 3, two come
         [] {
             VADKuidList assets, result;
             assets.Add(kAssetA);
             assets.Add(kAssetB);
             VADGetDependencyList(assets, result);
             return ListText(result);
         },
         "<kuid:-3:77>,<kuid2:523:1001:2>", "", ""},
        {"obsoletes", 43, false, Bytes(kAssetABytes), Bytes().I32(1).Hex(kAssetBBytes),
         [] {
             VADKuidList result;
             VADGetAssetObsoletes(kAssetA, result);
             return ListText(result);
         },
         "<kuid:-3:77>", "", ""},
        {"export", 48, false, Bytes(kAssetABytes).I32(3), Bytes(kSoupBytes),
         [noLog] { return SoupText(VADExportAssetSoup(kAssetA, noLog, 3)); }, "name=Loco", "compression=LZSS",
         "compression=LZSS"},
        {"favourite", 50, true, Bytes(kAssetABytes).U8(1), Bytes(),
         [] {
             VADSetAssetFavorite(kAssetA, true);
             return std::string();
         },
         "", "", ""},
        {"keywords", 54, true, Bytes(kAssetABytes).Str("red;fast"), Bytes(),
         [] {
             VADSetAssetKeywords(kAssetA, Vek::String("red;fast"));
             return std::string();
         },
         "", "", ""},
        {"generate", 58, false, Bytes(), Bytes(kAssetBBytes), [] { return KuidText(VADGenerateKuid()); }, "<kuid:-3:77>",
         "<NULL>", "<NULL>"},
        {"fpx candidates", 74, false, Bytes().I32(1).Hex(kAssetABytes).Hex(kAssetBBytes).I32(1234),
         Bytes().I32(2).I32(0).I32(5),
         [] {
             std::vector<int32_t> entries;
             const bool sent = VADRequestFpxCandidates({{kAssetA, kAssetB, 1234}}, entries);
             std::string text = sent ? "sent|" : "failed|";
             for (int32_t entry : entries) text += std::to_string(entry) + ",";
             return text;
         },
         "sent|0,5,", "sent|", "failed|"},
        {"read settings", 100, false, Bytes().PStr("internet"), Bytes(kSoupBytes),
         [] {
             SoupHandle soup;
             soup.SetString(Vek::PString("old"), "1");
             const bool answer = VADReadSettings(soup, Vek::PString("internet"));
             return std::to_string(answer) + "|" + SoupText(soup);
         },
         "1|name=Loco", "1|old=1", "0|old=1"},
        // Any reply is a stored write, an empty one too, except the single
        // byte 0: the daemon's refusal.
        {"write settings", 101, false, Bytes().PStr("internet").Hex(kSoupBytes), Bytes().U8(1),
         [] {
             SoupHandle holder = LocoSoup();
             const bool answer = VADWriteSettings(Vek::PString("internet"), holder);
             return std::to_string(answer) + "|" + SoupText(holder);
         },
         "1|no soup", "1|no soup", "0|no soup"},
        {"write settings refused", 101, false, Bytes().PStr("internet").Hex(kSoupBytes), Bytes().U8(0),
         [] {
             SoupHandle holder = LocoSoup();
             return std::to_string(VADWriteSettings(Vek::PString("internet"), holder));
         },
         "0", "1", "0"},
        {"write settings, a longer reply", 101, false, Bytes().PStr("internet").Hex(kSoupBytes), Bytes("00 00"),
         [] {
             SoupHandle holder = LocoSoup();
             return std::to_string(VADWriteSettings(Vek::PString("internet"), holder));
         },
         "1", "1", "0"},
        {"write no settings", 101, false, Bytes().PStr("internet").Hex(kNoSoupBytes), Bytes().U8(1),
         [] {
             SoupHandle holder;
             return std::to_string(VADWriteSettings(Vek::PString("internet"), holder));
         },
         "1", "1", "0"},
        {"setting value", 102, false, Bytes().PStr("internet").PStr("language"), Bytes().PStr("DE"),
         [] {
             return std::string(VADGetSettingValue(Vek::PString("internet"), Vek::PString("language")).c_str());
         },
         "DE", "", ""},
        {"online read", 121, false, Bytes(kAssetABytes).PStr("score"), Bytes(kSoupBytes),
         [] { return SoupText(VADReadOnlineLocalData(kAssetA, "Score")); }, "name=Loco", "no soup", "no soup"},
        {"online write", 122, true, Bytes(kAssetABytes).PStr("score").Hex(kSoupBytes), Bytes(),
         [] {
             VADWriteOnlineLocalData(kAssetA, "Score", LocoSoup());
             return std::string();
         },
         "", "", ""},
        {"keep-alive", 0, false, Bytes(), Bytes("01 02"), [] { return std::to_string(VADSendKeepAlive()); }, "1", "1",
         "0"},
        {"command host", 140, true, Bytes(), Bytes(), [] { return std::to_string(VADRegisterCommandHost()); }, "1", "1",
         "0"},
        {"cuda", 181, false, Bytes(), Bytes("00"), [] { return std::to_string(VADIsCudaCompressionDisabled()); }, "0",
         "1", "1"},
        {"request ready", 235, false, Bytes(), Bytes("01"),
         [] {
             VADRequestReady();
             return std::string();
         },
         "", "", ""},
        {"is ready", 236, false, Bytes(), Bytes("01"), [] { return std::to_string(VADIsReady()); }, "1", "0", "0"},
        {"online profile", 240, false, Bytes(), Bytes().Str("a").Str("b").Str("c").Hex("05 00").Str("d").Hex("06 00"),
         [] {
             const VADOnlineProfile p = VADGetOnlineProfile();
             return std::string(p.first.c_str()) + "|" + p.second.c_str() + "|" + p.third.c_str() + "|" +
                    std::to_string(p.fourth) + "|" + p.fifth.c_str() + "|" + std::to_string(p.sixth);
         },
         "a|b|c|5|d|6", "|||0||0", "|||0||0"},
        {"online notice", 241, true, Bytes(), Bytes(),
         [] {
             VADPostOnlineNotice();
             return std::string();
         },
         "", "", ""},
        {"online text", 242, false, Bytes(), Bytes().Str("hello"),
         [] { return std::string(VADGetOnlineText().c_str()); }, "hello", "", ""},
        {"installed builds", 253, false, Bytes(), Bytes().PStr("47059,45000"),
         [] { return std::string(VADGetInstalledBuilds().c_str()); }, "47059,45000", "", ""},
        {"patcher repair done", 256, true, Bytes(), Bytes(),
         [] {
             VADPostPatcherRepairDone();
             return std::string();
         },
         "", "", ""},
    };
}

class VADRequestFunctionsTest : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        VADSpecRegistryHooks hooks;
        hooks.discardSpec = RecordDiscard;
        SetVADSpecRegistryHooks(hooks);
    }
    void TearDown() override {
        SetVADSpecRegistryHooks(VADSpecRegistryHooks());
        LinkTest::TearDown();
    }
    void Serve(const std::vector<uint8_t>& reply) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_reply = reply;
    }

    std::mutex m_lock;
    std::vector<uint8_t> m_reply;
};

TEST_F(VADRequestFunctionsTest, EveryOperationSendsItsPayloadAndReadsItsReply) {
    FrameDaemon fake([this](const Frame& frame, FrameLink& link) {
        if (frame.id == 0) return true;
        std::lock_guard<std::mutex> hold(m_lock);
        return link.Reply(frame.id, m_reply);
    });
    const std::vector<Case> cases = Cases();

    // The database closed: every request fails at once.
    for (const Case& c : cases) EXPECT_EQ(c.call(), c.failed) << c.name << " (failed)";
    EXPECT_TRUE(fake.Frames().empty());

    ASSERT_TRUE(Open());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool served : {true, false}) {
            Serve(served ? c.reply.Vec() : std::vector<uint8_t>{});
            fake.ClearFrames();
            EXPECT_EQ(c.call(), served ? c.served : c.empty) << (served ? "served" : "empty reply");
            ASSERT_TRUE(fake.WaitForFrames(c.op, 1));
            const Frame frame = fake.FramesOf(c.op)[0];
            EXPECT_EQ(HexText(frame.payload), HexText(c.payload));
            EXPECT_EQ(frame.id == 0, c.oneWay);
        }
    }
}

TEST_F(VADRequestFunctionsTest, InstallsSayWhetherAPromptHandlerComes) {
    FrameDaemon fake;
    ASSERT_TRUE(Open());
    struct Asker : VADPromptHandler {
        int32_t Answer(const Vek::String&, Vek::String&, const KUID&, ResultsLog*) override { return 0; }
    } asker;
    uint8_t out = 0;
    VADInstallFromFolder("f", nullptr, 0, out, &asker);
    VADInstallArchiveFile("a", nullptr, 2, out, &asker);
    ASSERT_TRUE(fake.WaitForFrames(40, 1));
    EXPECT_EQ(fake.FramesOf(39)[0].payload, Bytes().Str("f").I32(0).U8(1).Vec());
    EXPECT_EQ(fake.FramesOf(40)[0].payload, Bytes().Str("a").I32(2).U8(1).Vec());
}

TEST_F(VADRequestFunctionsTest, TheLastReleaseOfAHandleClosesItOnce) {
    FrameDaemon fake([](const Frame& frame, FrameLink& link) {
        // Asset A opens; any other asset is refused with the handle -1.
        if (frame.op == 30 && frame.payload == Bytes(kAssetABytes).U8(1).Vec())
            return link.Reply(frame.id, Bytes().I64(0x1122334455).PStr("editing").Str("f"));
        if (frame.op == 30) return link.Reply(frame.id, Bytes().I64(-1));
        return FrameDaemon::ReplyEmpty(frame, link);
    });
    ASSERT_TRUE(Open());
    {
        VADAssetHandle handle = VADOpenAsset(kAssetA, true, nullptr);
        ASSERT_TRUE(handle.IsValid());
        VADAssetHandle copy(handle);
        VADAssetHandle assigned;
        assigned = copy;
        EXPECT_TRUE(assigned.IsEditable());
        assigned = assigned;
        handle.Release();
        copy.Release();
        EXPECT_TRUE(fake.FramesOf(31).empty()) << "one reference is left";
        Vek::PString location;
        Vek::File::Path folder;
        ASSERT_TRUE(assigned.GetLocation(location, folder)) << "known from the open reply";
        EXPECT_STREQ(location.c_str(), "editing");
        EXPECT_TRUE(fake.FramesOf(32).empty());
    }
    ASSERT_EQ(fake.FramesOf(31).size(), 1u);
    EXPECT_EQ(fake.FramesOf(31)[0].payload, Bytes("55 44 33 22 11 00 00 00").Vec());

    // A refused open gives an empty handle, whose release sends nothing.
    fake.ClearFrames();
    { VADAssetHandle empty = VADOpenAsset(kAssetB, false, nullptr); }
    EXPECT_TRUE(fake.FramesOf(31).empty());
}

TEST_F(VADRequestFunctionsTest, APackedLocationIsValidWithoutAsking) {
    FrameDaemon fake;
    ASSERT_TRUE(Open());
    // "builtin\pack" lies in the installation folder; its archive makes it
    // packed.
    ::mkdir((m_install / "builtin").c_str(), 0755);
    { std::ofstream((m_install / "builtin/pack.va").c_str()) << "zip"; }
    EXPECT_EQ(VADValidateAssetFolder(Vek::PString("builtin\\pack"), "kuid 1 2", nullptr), 1);
    // No location and a folder outside every location: 0 without asking.
    EXPECT_EQ(VADValidateAssetFolder(Vek::PString(), "/elsewhere/kuid 1 2", nullptr), 0);
    // A folder inside the user data folder resolves to its location.
    const std::string inside = GetUserDataPath().Str() + "\\local\\kuid 1 2";
    VADValidateAssetFolder(Vek::PString(), inside.c_str(), nullptr);
    ASSERT_TRUE(fake.WaitForFrames(38, 1));
    EXPECT_EQ(fake.FramesOf(38).size(), 1u);
    EXPECT_EQ(fake.FramesOf(38)[0].payload, Bytes().PStr("local").Str("kuid 1 2").Vec());
}

}  // namespace
