// An asset's life in the stand-in daemon, driven with hand-written frames:
// create, open for editing, commit, revert and delete, with the folders they
// leave under UserData, the asset-info status bits and the messages sent as
// log lines; and the store kept across a restart of the daemon.
#include <gtest/gtest.h>

#include "foundation/soups/BinarySoupReader.h"
#include "foundation/streams/BufferStream.h"
#include "vaddaemon/AssetInfoReading.h"
#include "vaddaemon/StoreFixture.h"

namespace {

using namespace VorlexTest;

// <kuid:3:100>: content 100, packed word 3; its folder name.
const Bytes kLoco = Hex("64000000 03000000");
const char kLocoFolder[] = "kuid 3 100";
// The interned "editing" and "local", and the plain folder "kuid 3 100".
const Bytes kEditingPlace = Hex("08000000 65646974696e6700 0a000000 6b756964203320313030");
const Bytes kLocalPlace = Hex("06000000 6c6f63616c00 0a000000 6b756964203320313030");

const char kLocoConfig[] =
    "kuid <kuid:3:100>\n"
    "username \"Test Loco\"\n"
    "category-class \"AV\"\n"
    "category-region \"AU\"\n"
    "category-era \"1990s\"\n"
    "vorlex-build 3.5\n"
    "kuid-table\n{\n  0 <kuid:3:200>\n}\n";

// The payload of a log-line notice with one error about an asset.
Bytes OneError(int32_t id, const std::string& text, const std::string& assetTag) {
    Bytes property = assetTag.empty() ? Le32(0) : Le32(8) + Interned("AssetID") + Interned(assetTag);
    return Le32(id) + Le32(0) + Le32(1) + Le32(3) + Text(text) + property;
}

using StoreLifecycle = StoreTest;

TEST_F(StoreLifecycle, AnUnknownAssetGetsAWholeRecordThatSaysNotFound) {
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    // <kuid:9:9>, detail -1.
    const Bytes reply = link.Request(21, Hex("09000000 09000000 ffffffff"));
    EXPECT_EQ(ToHex(reply), ToHex(Hex("09000000 09000000"           // the KUID asked for
                                      "00000000 00000000 00000000"  // name, region, keywords
                                      "0100000000000000"            // status A: bit 0 only
                                      "0000000000000000"            // status B
                                      "000000"                      // status C
                                      "00000000 00000000 00000000"  // author id, author name, era
                                      "ffffffff 00000000 00000000"  // second id, second name, class
                                      "000000"                      // status D
                                      "ff000000"                    // no rating
                                      "00000000"                    // build 0.0
                                      "0000000000000000 0000000000000000"
                                      "ffffffff ffffffff"  // parent: the null KUID
                                      "00")));             // not found
}

TEST_F(StoreLifecycle, CreateEditCommitRevertAndDelete) {
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));

    // Create <kuid:3:100> with flag 1 and the name "Tester".
    Bytes reply = link.Request(35, kLoco + Hex("01 06000000 546573746572"));
    ASSERT_EQ(reply.size(), 8u + 8u + kEditingPlace.size());
    const int64_t created = BodyReader(reply).Long();
    EXPECT_GT(created, 0);
    EXPECT_EQ(ToHex(Bytes(reply.begin() + 8, reply.end())), ToHex(kLoco + kEditingPlace));
    const std::string editing = Folder("editing", kLocoFolder);
    const std::string local = Folder("local", kLocoFolder);
    ASSERT_TRUE(IsFolder(editing));
    const std::string starter = ReadFile(editing + "/config.txt");
    EXPECT_NE(starter.find("<kuid:3:100>"), std::string::npos) << starter;
    EXPECT_NE(starter.find("Tester"), std::string::npos) << starter;

    InfoReply info = AskInfo(link, kLoco);
    EXPECT_TRUE(info.complete);
    EXPECT_EQ(info.found, 1);
    EXPECT_EQ(info.name, "Tester");
    EXPECT_EQ(info.a, "10100000") << "modified here, not installed";
    EXPECT_EQ(info.b, "10000000") << "open for editing";
    EXPECT_EQ(ToHex(link.Request(32, Le64(created))), ToHex(kEditingPlace));

    // The client writes into the working copy, then commits it.
    WriteFile(editing + "/config.txt", kLocoConfig);
    WriteFile(editing + "/body.im", "mesh");
    EXPECT_EQ(ToHex(link.Request(34, Le64(created) + Le32(0))), "0100");
    EXPECT_FALSE(IsFolder(editing));
    EXPECT_EQ(ReadFile(local + "/body.im"), "mesh");
    EXPECT_EQ(ToHex(link.Request(32, Le64(created))), ToHex(kLocalPlace)) << "the handle follows the commit";
    link.Request(31, Le64(created));

    info = AskInfo(link, kLoco);
    EXPECT_EQ(info.a, "10110000") << "modified and installed";
    EXPECT_EQ(info.b, "00010000") << "<kuid:3:200> is missing";
    EXPECT_EQ(info.name, "Test Loco");
    EXPECT_EQ(info.categoryClass, "AV");
    EXPECT_EQ(info.region, "AU");
    EXPECT_EQ(info.era, "1990s");
    EXPECT_EQ(ToHex(info.build), "00006040");  // 3.5
    EXPECT_EQ(info.author, 3);

    // The committed configuration as a binary soup.
    reply = link.Request(20, kLoco);
    ASSERT_GE(reply.size(), 16u);
    EXPECT_EQ(ToHex(Bytes(reply.begin(), reply.begin() + 8)), "4143532401000000");  // "ACS$", version 1
    TBuffer soupBytes;
    soupBytes.Write(reply.data(), static_cast<int32_t>(reply.size()));
    soupBytes.Rewind();
    SoupHandle config;
    ASSERT_TRUE(ReadBinarySoup(config, soupBytes));
    EXPECT_STREQ(config.GetString("username").c_str(), "Test Loco");

    // Open for editing: a copy of the committed folder under "editing".
    reply = link.Request(30, kLoco + Hex("01"));
    ASSERT_EQ(reply.size(), 8u + kEditingPlace.size());
    const int64_t edited = BodyReader(reply).Long();
    EXPECT_GT(edited, created);
    EXPECT_EQ(ToHex(Bytes(reply.begin() + 8, reply.end())), ToHex(kEditingPlace));
    EXPECT_EQ(ReadFile(editing + "/body.im"), "mesh");
    EXPECT_EQ(AskInfo(link, kLoco).b, "10010000");

    // Revert: the working copy goes, the committed one stays.
    WriteFile(editing + "/body.im", "changed");
    EXPECT_EQ(ToHex(link.Request(33, Le64(edited))), "01");
    EXPECT_FALSE(IsFolder(editing));
    EXPECT_EQ(ReadFile(local + "/body.im"), "mesh");
    EXPECT_EQ(AskInfo(link, kLoco).b, "00010000");

    // A second commit keeps the replaced copy in "backups" and says so.
    reply = link.Request(30, kLoco + Hex("01"));
    const int64_t again = BodyReader(reply).Long();
    WriteFile(editing + "/body.im", "second");
    EXPECT_EQ(ToHex(link.Request(34, Le64(again) + Le32(0))), "0101");
    EXPECT_EQ(ReadFile(local + "/body.im"), "second");
    EXPECT_EQ(ReadFile(Folder("backups", kLocoFolder) + "/body.im"), "mesh");

    // Delete with flag 1.
    EXPECT_EQ(ToHex(link.Request(36, kLoco + Hex("01"))), "01");
    EXPECT_FALSE(IsFolder(local));
    EXPECT_EQ(AskInfo(link, kLoco).found, 0);
    EXPECT_TRUE(link.notices.empty()) << "no messages on the way";
}

TEST_F(StoreLifecycle, RefusalsAreAnsweredWithMessagesAndChangeNothing) {
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    ASSERT_NO_FATAL_FAILURE(Install(link, kLoco, kLocoFolder, kLocoConfig));
    const std::string local = Folder("local", kLocoFolder);
    const int64_t viewer = BodyReader(link.Request(30, kLoco + Hex("00"))).Long();
    // An asset created with flag 0 has an empty folder: nothing to commit.
    const int64_t bare = BodyReader(link.Request(35, Kuid(3, 101) + Hex("00") + Text(""))).Long();
    ASSERT_GT(bare, 0);
    // One that names another asset in its configuration.
    const int64_t wrong = BodyReader(link.Request(35, Kuid(3, 102) + Hex("00") + Text(""))).Long();
    ASSERT_GT(wrong, 0);
    WriteFile(Folder("editing", "kuid 3 102") + "/config.txt", "kuid <kuid:3:999>\n");

    const struct {
        const char* what;
        int32_t op;
        Bytes payload;
        Bytes reply;
        const char* message;  // null: no log line
        const char* asset;
    } cases[] = {
        {"open an unknown asset", 30, Kuid(9, 9) + Hex("00"), Hex("ffffffffffffffff 00000000 00000000"),
         "The asset is not in the database.", "<kuid:9:9>"},
        {"revert an asset not open for editing", 33, Le64(viewer), Hex("00"), "The asset is not open for editing.",
         "<kuid:3:100>"},
        {"commit a handle that is not open", 34, Le64(9999) + Le32(0), Hex("0000"), "The asset handle is not open.",
         ""},
        {"commit without a configuration", 34, Le64(bare) + Le32(0), Hex("0000"),
         "The edited asset has no readable configuration.", "<kuid:3:101>"},
        {"commit a configuration of another asset", 34, Le64(wrong) + Le32(0), Hex("0000"),
         "The configuration names another asset: <kuid:3:999>", "<kuid:3:102>"},
        {"delete an unknown asset", 36, Kuid(9, 9) + Hex("01"), Hex("00"), "The asset is not in the database.",
         "<kuid:9:9>"},
        {"delete an asset open for editing without flag", 36, Kuid(3, 101) + Hex("00"), Hex("00"),
         "The asset is open for editing.", "<kuid:3:101>"},
        {"create a known asset", 35, kLoco + Hex("01") + Text(""), Hex("ffffffffffffffff ffffffffffffffff 00000000 00000000"),
         nullptr, nullptr},
        {"locate a handle that is not open", 32, Le64(9999), Hex("00000000 00000000"), nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        link.notices.clear();
        EXPECT_EQ(ToHex(link.Request(c.op, c.payload)), ToHex(c.reply));
        if (c.message) {
            ASSERT_EQ(link.notices.size(), 1u);
            EXPECT_EQ(link.notices[0].word, 3);
            EXPECT_EQ(ToHex(link.notices[0].body), ToHex(OneError(link.lastId, c.message, c.asset)));
        } else {
            EXPECT_TRUE(link.notices.empty());
        }
    }
    EXPECT_TRUE(IsFolder(local));
    EXPECT_TRUE(IsFolder(Folder("editing", "kuid 3 101")));
    EXPECT_TRUE(IsFolder(Folder("editing", "kuid 3 102")));
    EXPECT_EQ(AskInfo(link, kLoco).a, "10110000");
    EXPECT_EQ(AskInfo(link, Kuid(3, 101)).b, "10000000");
}

TEST_F(StoreLifecycle, HandlesBelongToTheirLink) {
    RawLink first, second;
    ASSERT_NO_FATAL_FAILURE(Connect(first));
    ASSERT_NO_FATAL_FAILURE(Connect(second));
    const int64_t handle = StoreTest::Create(first, kLoco);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(ToHex(second.Request(32, Le64(handle))), "0000000000000000");
    EXPECT_EQ(ToHex(second.Request(34, Le64(handle) + Le32(0))), "0000");
    EXPECT_EQ(ToHex(first.Request(32, Le64(handle))), ToHex(kEditingPlace));
    // A link that ends takes its handles with it; the asset stays open.
    first.Close();
    EXPECT_EQ(AskInfo(second, kLoco).b, "10000000");
}

TEST_F(StoreLifecycle, TheStoreSurvivesARestart) {
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    ASSERT_NO_FATAL_FAILURE(Install(link, kLoco, kLocoFolder, kLocoConfig));
    // Favourite (one-way) and keywords (one-way), then a request so both are
    // carried out before the daemon stops.
    ASSERT_TRUE(link.SendFrame(50, 0, kLoco + Hex("01")));
    ASSERT_TRUE(link.SendFrame(54, 0, kLoco + Text("steam heavy")));
    // An asset left open for editing.
    ASSERT_GT(StoreTest::Create(link, Kuid(3, 101), "Draft"), 0);
    InfoReply before = AskInfo(link, kLoco);
    EXPECT_EQ(before.keywords, "steam heavy");
    EXPECT_EQ(before.c, "100") << "favourite";
    StopDaemon(link);

    RawLink again;
    ASSERT_NO_FATAL_FAILURE(Connect(again));
    InfoReply after = AskInfo(again, kLoco);
    EXPECT_EQ(after.found, 1);
    EXPECT_EQ(after.a, "10110000");
    EXPECT_EQ(after.keywords, "steam heavy");
    EXPECT_EQ(after.c, "100");
    EXPECT_EQ(after.rating, 5) << "a favourite reads as one";
    EXPECT_EQ(after.name, "Test Loco");
    InfoReply draft = AskInfo(again, Kuid(3, 101));
    EXPECT_EQ(draft.b, "10000000") << "still open for editing";
    EXPECT_EQ(draft.name, "Draft");
    // The dependency list came back from the store too.
    EXPECT_EQ(ToHex(again.Request(42, Le32(1) + kLoco)), ToHex(Le32(1) + Kuid(3, 200)));
    // The working copy can still be committed after the restart.
    const int64_t handle = BodyReader(again.Request(30, Kuid(3, 101) + Hex("01"))).Long();
    WriteFile(Folder("editing", "kuid 3 101") + "/config.txt", "kuid <kuid:3:101>\nusername Draft\n");
    EXPECT_EQ(ToHex(again.Request(34, Le64(handle) + Le32(0))), "0100");
}

TEST_F(StoreLifecycle, AHelloForAnotherDatabaseIsRefusedAndADamagedFileIsReported) {
    RawLink link;
    const int port = StartDaemon();
    ASSERT_NE(port, 0);
    ASSERT_TRUE(link.Connect(port));
    EXPECT_FALSE(link.Hello(m_dir / "Elsewhere/assets.vdx"));
    EXPECT_TRUE(TranscriptHas("c1 bad store not the database of this daemon\n"));
    StopDaemonByKill();

    // A database file that is not one is left alone; the link is served,
    // and each request is answered empty with the reason as the daemon's own
    // line (transaction 0).
    const std::string garbage(4096, 'x');
    WriteFile(UserData() + "/assets.vdx", garbage);
    RawLink second;
    const int again = StartDaemon();
    ASSERT_NE(again, 0);
    ASSERT_TRUE(second.Connect(again));
    EXPECT_TRUE(second.Hello(GetDatabasePath().Str()));
    EXPECT_TRUE(TranscriptHas(" bad store not an asset database")) << TranscriptText();
    bool answered = false;
    EXPECT_EQ(ToHex(second.Request(21, Kuid(3, 100) + Le32(-1), &answered)), "");
    EXPECT_TRUE(answered);
    ASSERT_EQ(second.notices.size(), 1u);
    EXPECT_EQ(second.notices[0].word, 3);
    const Bytes& line = second.notices[0].body;
    EXPECT_EQ(ToHex(Bytes(line.begin(), line.begin() + 4)), "00000000") << "transaction 0";
    EXPECT_NE(std::string(line.begin(), line.end()).find("The asset database cannot be opened: not an asset database"),
              std::string::npos);
    EXPECT_EQ(ReadFile(UserData() + "/assets.vdx"), garbage);
}

}  // namespace
