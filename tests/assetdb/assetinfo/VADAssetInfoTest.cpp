// The asset-info record: its wire form read whole and cut at every offset,
// the accessors and their failure answers, the script facts, and the
// display name.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "assetdb/assetinfo/GetAssetDisplayName.h"
#include "assetdb/assetinfo/VADAssetInfo.h"
#include "assetdb/assetinfo/VADAssetInfoAccessors.h"
#include "assetdb/assetinfo/VADGetAssetScriptInfo.h"
#include "assetdb/client/LinkTestFixture.h"
#include "assetdb/requests/RequestTestSupport.h"
#include "engine/File.h"
#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/streams/BufferStream.h"
#include "support/SourceTree.h"

namespace {

using namespace VorlexTest;

// One field of the wire form: its golden bytes, a check of its served
// value and a check of its default.
struct Field {
    const char* name;
    Bytes bytes;
    std::function<bool(const VADAssetInfo&)> served;
    std::function<bool(const VADAssetInfo&)> defaulted;
};

std::vector<Field> RecordFields() {
    return {
        {"asset", Bytes(kAssetABytes), [](auto& i) { return i.asset == kAssetA; },
         [](auto& i) { return i.asset.IsNull(); }},
        {"display name", Bytes().Str("Blue Loco"), [](auto& i) { return i.displayName.Std() == "Blue Loco"; },
         [](auto& i) { return i.displayName.IsEmpty(); }},
        {"region", Bytes().Str("AU"), [](auto& i) { return i.categoryRegion.Std() == "AU"; },
         [](auto& i) { return i.categoryRegion.IsEmpty(); }},
        {"keywords", Bytes().Str("red;fast"), [](auto& i) { return i.keywords.Std() == "red;fast"; },
         [](auto& i) { return i.keywords.IsEmpty(); }},
        // Status A: bits 0, 2, 3 and 6 (any non-zero byte sets its bit).
        {"status A", Bytes("01 00 07 01 00 00 ff 00"), [](auto& i) { return i.statusA == 0x4D; },
         [](auto& i) { return i.statusA == 0; }},
        // Status B: bits 1, 3 and 5.
        {"status B", Bytes("00 01 00 01 00 01 00 00"), [](auto& i) { return i.statusB == 0x2A; },
         [](auto& i) { return i.statusB == 0; }},
        {"status C", Bytes("01 00 01"), [](auto& i) { return i.statusC == 0x05; }, [](auto& i) { return i.statusC == 0; }},
        {"author id", Bytes().I32(12345), [](auto& i) { return i.authorId == 12345; },
         [](auto& i) { return i.authorId == 0; }},
        {"author name", Bytes().PStr("kelmo"), [](auto& i) { return std::string(i.authorName.c_str()) == "kelmo"; },
         [](auto& i) { return i.authorName.IsEmpty(); }},
        {"era", Bytes().Str("1950s"), [](auto& i) { return i.categoryEra.Std() == "1950s"; },
         [](auto& i) { return i.categoryEra.IsEmpty(); }},
        {"second id", Bytes().I32(77), [](auto& i) { return i.secondId == 77; }, [](auto& i) { return i.secondId == 0; }},
        {"second name", Bytes().PStr("second"), [](auto& i) { return std::string(i.secondName.c_str()) == "second"; },
         [](auto& i) { return i.secondName.IsEmpty(); }},
        {"class", Bytes().Str("TR;LOC"), [](auto& i) { return i.categoryClass.Std() == "TR;LOC"; },
         [](auto& i) { return i.categoryClass.IsEmpty(); }},
        {"status D", Bytes("00 01 00"), [](auto& i) { return i.statusD == 0x02; }, [](auto& i) { return i.statusD == 0; }},
        // 300 keeps its low byte, 44.
        {"rating", Bytes().I32(300), [](auto& i) { return i.localRating == 44; },
         [](auto& i) { return i.localRating == 0; }},
        {"build", Bytes().F32(3.5f), [](auto& i) { return i.build == 3.5f; }, [](auto& i) { return i.build == 0.0f; }},
        {"first value", Bytes().I64(0x0102030405060708), [](auto& i) { return i.firstValue == 0x0102030405060708; },
         [](auto& i) { return i.firstValue == 0; }},
        {"second value", Bytes().I64(-2), [](auto& i) { return i.secondValue == -2; },
         [](auto& i) { return i.secondValue == 0; }},
        {"parent", Bytes(kAssetBBytes), [](auto& i) { return i.parent == kAssetB; },
         [](auto& i) { return i.parent.IsNull(); }},
        {"found", Bytes("01"), [](auto& i) { return i.found == 1; }, [](auto& i) { return i.found == 0; }},
    };
}

Bytes WholeRecord() {
    Bytes all;
    for (const Field& field : RecordFields()) all.Add(field.bytes);
    return all;
}

TEST(VADAssetInfoRecordTest, ACutRecordKeepsWhatCameAndDefaultsTheRest) {
    const std::vector<Field> fields = RecordFields();
    const std::vector<uint8_t> whole = WholeRecord().Vec();
    for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
        TBuffer stream;
        stream.Write(whole.data(), static_cast<int32_t>(cut));
        stream.Rewind();
        VADAssetInfo info;
        info.Read(stream);
        std::size_t start = 0;
        for (const Field& field : fields) {
            const std::size_t end = start + field.bytes.Vec().size();
            if (end <= cut) {
                EXPECT_TRUE(field.served(info)) << field.name << " cut at " << cut;
            } else if (start >= cut) {
                EXPECT_TRUE(field.defaulted(info)) << field.name << " cut at " << cut;
            }
            start = end;
        }
        EXPECT_EQ(info.found, cut == whole.size() ? 1 : 0) << cut;
    }
}

TEST(VADAssetInfoRecordTest, ANewRecordHoldsTheDefaults) {
    VADAssetInfo info;
    EXPECT_TRUE(info.asset.IsNull());
    EXPECT_EQ(info.statusA, 1);
    EXPECT_EQ(info.secondId, -1);
    EXPECT_EQ(info.localRating, 255);
    EXPECT_TRUE(info.parent.IsNull());
    EXPECT_EQ(info.found, 0);
}

class VADAssetInfoTest : public LinkTest {
protected:
    void Serve(const std::vector<uint8_t>& reply) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_reply = reply;
    }
    FrameDaemon::Handler Handler() {
        return [this](const Frame& frame, FrameLink& link) {
            std::lock_guard<std::mutex> hold(m_lock);
            return frame.id == 0 || link.Reply(frame.id, m_reply);
        };
    }
    std::mutex m_lock;
    std::vector<uint8_t> m_reply;
};

// The answers of the accessors as one text.
std::string Accessors() {
    std::string text;
    text += VADGetAssetUsername(kAssetA).Std() + "|";
    text += VADGetAssetKeywords(kAssetA).Std() + "|";
    text += VADGetAssetCategoryRegion(kAssetA).Std() + "|";
    text += VADGetAssetCategoryEra(kAssetA).Std() + "|";
    for (bool b : {VADIsAssetBuiltIn(kAssetA), VADIsAssetLocallyModified(kAssetA), VADIsAssetInstalled(kAssetA),
                   VADIsAssetFaulty(kAssetA), VADHasMissingDependencies(kAssetA, false),
                   VADHasMissingDependencies(kAssetA, true), VADHasPrebuiltScripts(kAssetA)})
        text += b ? "1" : "0";
    return text;
}

// Built in no, modified, installed, faulty, missing, missing counting
// uninstalled, prebuilt: what a failed request answers.
const char* const kFailureAnswers = "||||0111111";

TEST_F(VADAssetInfoTest, AccessorsAskTheirDetailAndAnswerTheirField) {
    FrameDaemon fake(Handler());
    EXPECT_EQ(Accessors(), kFailureAnswers) << "the daemon unreachable";
    ASSERT_TRUE(Open());

    Serve(WholeRecord());
    EXPECT_EQ(Accessors(), "Blue Loco|red;fast|AU|1950s|0111111");
    std::vector<int32_t> details;
    for (const Frame& frame : fake.FramesOf(21)) {
        ASSERT_EQ(frame.payload.size(), 12u);
        EXPECT_EQ(std::vector<uint8_t>(frame.payload.begin(), frame.payload.begin() + 8), Bytes(kAssetABytes).Vec());
        details.push_back(frame.payload[8] | frame.payload[9] << 8 | frame.payload[10] << 16 | frame.payload[11] << 24);
    }
    EXPECT_EQ(details, (std::vector<int32_t>{1, 4, 4, 4, 0, 8, 8, 8, 8, 8, 8}));

    // Built in but not installed, nothing else set: only the count of
    // uninstalled ones says missing.
    Bytes bare(kAssetABytes);
    bare.Str("").Str("").Str("").Hex("00 00 00 00 01 00 00 00").Hex("00 00 00 00 00 00 00 00");
    bare.Hex("00 00 00").I32(0).PStr("").Str("").I32(-1).PStr("").Str("").Hex("00 00 00").I32(255).F32(0);
    bare.I64(0).I64(0).Hex(kNullKuidBytes).U8(1);
    Serve(bare);
    EXPECT_EQ(Accessors(), "||||1000010");

    // An asset the daemon does not know, an empty reply, and a record cut
    // before its found byte all answer the failure column.
    std::vector<uint8_t> unknown = WholeRecord().Vec();
    unknown.back() = 0;
    std::vector<uint8_t> cut = WholeRecord().Vec();
    cut.pop_back();
    for (const std::vector<uint8_t>& reply : {unknown, std::vector<uint8_t>{}, cut}) {
        Serve(reply);
        EXPECT_EQ(Accessors(), kFailureAnswers);
    }

    VADAssetInfo info;
    info.displayName = "kept";
    Serve(WholeRecord());
    EXPECT_EQ(VADGetAssetInfo(kAssetA, info, -1), 1);
    EXPECT_EQ(info.displayName.Std(), "Blue Loco");
    EXPECT_EQ(fake.FramesOf(21).back().payload, Bytes(kAssetABytes).I32(-1).Vec());
}

TEST_F(VADAssetInfoTest, ScriptInfoComesFromTheConfiguration) {
    FrameDaemon fake(Handler());
    ASSERT_TRUE(Open());
    struct Case {
        std::vector<std::pair<const char*, const char*>> tags;
        bool ok;
        const char* className;
        const char* file;
    };
    const Case cases[] = {
        {{{"script", "Scripts/Loco"}}, true, "Scripts/Loco", "scripts/loco.gs"},
        {{{"script", "Dir.v2/Loco.GSL"}, {"class", "LocoClass"}}, true, "LocoClass", "dir.v2/loco.gs"},
        {{{"scriptlibrary", "Lib"}, {"scriptclass", "LibClass"}}, true, "LibClass", "lib.gs"},
        {{{"class", "Lonely"}}, false, "Lonely", ""},
        {{{"name", "no script"}}, false, "", ""},
    };
    for (const Case& c : cases) {
        SoupHandle config;
        for (const auto& [name, value] : c.tags) config.SetString(Vek::PString(name), value);
        TBuffer reply;
        WriteBinarySoup(reply, config);
        Serve(std::vector<uint8_t>(reply.GetData(), reply.GetData() + reply.GetDataSize()));
        Vek::PString className;
        Vek::File::Path file;
        EXPECT_EQ(VADGetAssetScriptInfo(className, file, kAssetA), c.ok) << c.className;
        EXPECT_STREQ(className.c_str(), c.className);
        EXPECT_STREQ(file.c_str(), c.file);
    }
    Serve({});
    Vek::PString className;
    Vek::File::Path file;
    EXPECT_FALSE(VADGetAssetScriptInfo(className, file, kAssetA)) << "no configuration";
}

// The interface texts of the installation's data folder.
class DisplayNameTest : public ::testing::Test {
protected:
    void SetUp() override {
        Vek::File::Subst(Vek::PString("data"), SourceTreePath("data/Data").c_str(), true);
    }
};

TEST_F(DisplayNameTest, OldBuildsTurnUnderscoresIntoBlanks) {
    struct Case {
        const char* username;
        const char* name;
        const char* filename;
        const char* build;  // null: no "vorlex-build"
        const char* expected;
    };
    const Case cases[] = {
        {nullptr, "My_Loco", nullptr, "2.8", "My Loco"},
        {nullptr, "My_Loco", nullptr, "2.89", "My Loco"},
        {nullptr, "My_Loco", nullptr, "2.9", "My_Loco"},
        {nullptr, "My_Loco", nullptr, "2.91", "My_Loco"},
        {nullptr, "My_Loco", nullptr, "3.5", "My_Loco"},
        {nullptr, "My_Loco", nullptr, nullptr, "My Loco"},
        {"User_Name", "My_Loco", "file_name", "3.5", "User_Name"},
        {nullptr, nullptr, "file_name", "3.5", "file_name"},
        {nullptr, nullptr, nullptr, "3.5", "Untitled"},
        {"  \"Quoted_Name\"\r\n", nullptr, nullptr, "2.0", "Quoted Name"},
    };
    for (const Case& c : cases) {
        SoupHandle config;
        if (c.username) config.SetString(Vek::PString("username"), c.username);
        if (c.name) config.SetString(Vek::PString("name"), c.name);
        if (c.filename) config.SetString(Vek::PString("asset-filename"), c.filename);
        if (c.build) config.SetFloat(Vek::PString("vorlex-build"), std::stof(c.build));
        EXPECT_EQ(GetAssetDisplayName(config).Std(), c.expected) << (c.build ? c.build : "no build");
    }
}

TEST_F(DisplayNameTest, CleaningTrimsBlanksThenOneQuoteAtEachEnd) {
    const std::pair<const char*, const char*> cases[] = {
        {"  My Loco \t\r\n", "My Loco"},
        {"\"  \"", "  "},
        {" \n \n", "Untitled"},
        {"", "Untitled"},
        {"\"", "Untitled"},
        {"'Loco'", "Loco"},
        {"\"\"Loco\"\"", "\"Loco\""},
        {"\x93Loco\x94", "Loco"},
        {"\xE2\x80\x9CLoco\xE2\x80\x9D", "Loco"},
        {"Loco\xE2\x80\x9C", "Loco\xE2\x80\x9C"},  // a left mark at the end stays
        {"\xE2\x80\x9C", "Untitled"},
    };
    for (const auto& [raw, cleaned] : cases) EXPECT_EQ(CleanAssetName(Vek::String(raw)).Std(), cleaned) << raw;
}

}  // namespace
