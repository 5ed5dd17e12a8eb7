#include <gtest/gtest.h>

#include <clocale>
#include <iterator>
#include <strings.h>
#include <fstream>
#include <string>

#include "engine/config/ConfigParser.h"
#include "support/TempDir.h"

using namespace Vek;

TEST(ConfigParserTest, ResultCodesForEachKindOfText) {
    struct Case {
        const char* text;
        uint32_t result;
        bool hasRoot;
    } cases[] = {
        {"offset 2\n", 0, true},
        {"", 0, false},
        {"# only a comment\n", 0, false},
        {"version 1.00\n", 0, false},
        {"mesh 0 {\n name a.im\n}\n", 0, true},
        {"mesh 0 { name a.im } mesh 1 { name b.im }\n", 0, true},
        {"a 1; b 2;;\n", 0, true},
        {"mesh 0\n{\n name a.im\n}\n", 0, true},      // "{" on the next line
        {"mesh 0 {\n}\n{\n}\n", 3, false},             // the item has its block already
        {"a 1;\n{\n}\n", 3, false},
        {"mesh 0 {\n name a.im\n", 3, false},           // block not closed
        {"}\n", 3, false},                              // nothing to close
        {"{\n}\n", 3, false},                           // block without a key
        {"name \"unterminated\n", 3, false},            // quote runs off the line
        {"version x\noffset 1\n", 4, false},            // not a number
        {"version 2.0\noffset 1\n", 4, false},          // unknown version
        {"version 0.5\n", 4, false},
        {"version 1 2\n", 4, false},
    };
    for (const Case& c : cases) {
        ConfigParser parser;
        EXPECT_EQ(parser.ParseText(c.text), c.result) << c.text;
        EXPECT_EQ(parser.GetRoot() != nullptr, c.hasRoot) << c.text;
    }

    std::string deep;
    for (int i = 0; i < 70; ++i) deep += "a {\n";
    for (int i = 0; i < 70; ++i) deep += "}\n";
    ConfigParser parser;
    EXPECT_EQ(parser.ParseText(deep), 1u);
    EXPECT_EQ(parser.GetRoot(), nullptr);

    EXPECT_EQ(parser.Parse("/nonexistent/folder/lm.txt"), 2u);

    // A block opened on the next line holds the items below it.
    ASSERT_EQ(parser.ParseText("mesh 0\n{\n  name a.im\n}\noffset 1\n"), 0u);
    EXPECT_EQ(parser.GetRoot()->GetChildCount(), 2u);
    EXPECT_EQ((*parser.GetRoot())("mesh")("name").GetValue(), "a.im");
}

TEST(ConfigParserTest, VersionIsDeclaredOnlyBeforeOtherItems) {
    ConfigParser parser;
    ASSERT_EQ(parser.ParseText("# lod\nversion 1.005\nmesh 0\n"), 0u);
    EXPECT_FLOAT_EQ(parser.GetVersion(), 1.005f);
    EXPECT_EQ(parser.GetRoot()->Count("version"), 0u);

    ASSERT_EQ(parser.ParseText("mesh 0\n"), 0u);
    EXPECT_FLOAT_EQ(parser.GetVersion(), 1.0f);

    // After another item, "version" is an ordinary key.
    ASSERT_EQ(parser.ParseText("mesh 0\nversion 7\n"), 0u);
    EXPECT_FLOAT_EQ(parser.GetVersion(), 1.0f);
    EXPECT_EQ(parser.GetRoot()->Count("version"), 1u);
}

TEST(ConfigParserTest, RepeatedKeysIndexAccessAndUnknownItems) {
    ConfigParser parser;
    ASSERT_EQ(parser.ParseText("mesh 0 { name \"body.im\" }\n"
                               "MESH 50 {\n  name body_lo.im\n}\n"
                               "mesh collision { name \"with space.im\"; animated TRUE }\n"
                               "calcPoint Near  # comment\n"
                               "empty \"\"\n"),
              0u);
    const ConfigData& root = *parser.GetRoot();
    EXPECT_EQ(root.Count("mesh"), 3u);
    EXPECT_EQ(root.Count("Mesh"), 3u);
    EXPECT_EQ(root.Count("nothing"), 0u);

    std::string value;
    ASSERT_TRUE(root("mesh", 1) >> value);
    EXPECT_EQ(value, "50");
    PString name;
    ASSERT_TRUE(root("mesh", 2)("name") >> name);
    EXPECT_STREQ(name.c_str(), "with space.im");
    bool animated = false;
    EXPECT_TRUE(root("mesh", 2)("animated") >> animated);
    EXPECT_TRUE(animated);
    AnsiString point;
    EXPECT_TRUE(root("calcpoint") >> point);
    EXPECT_STREQ(point.c_str(), "Near");

    // Unknown items chain and leave destinations alone.
    EXPECT_TRUE(root("mesh", 3).IsUnknown());
    EXPECT_TRUE(root("mesh", 3)("name").IsUnknown());
    EXPECT_TRUE(&root("nothing") == &ConfigData::unknownItem);
    float offset = 7.0f;
    EXPECT_FALSE(root("offset") >> offset);
    EXPECT_EQ(offset, 7.0f);
    name = "keep";
    EXPECT_FALSE(root("mesh", 9)("name") >> name);
    EXPECT_STREQ(name.c_str(), "keep");

    // An empty quoted value is one empty token.
    ASSERT_EQ(root("empty").GetValueCount(), 1u);
    EXPECT_EQ(root("empty").GetValue(0), "");
}

TEST(ConfigParserTest, KeyedLookupsOfLongListsMatchAWalkInOrder) {
    // Items of many children keep them indexed by key; every lookup must
    // answer what a walk over the children in order answers: keys compared
    // without case and up to a NUL byte, the n-th of repeated keys, unknown
    // past the last.
    const std::string keys[] = {"vertex", "VERTEX", "Face", "face", std::string("ab\0c", 4), "ab", "x"};
    auto walk = [](const ConfigData& item, const char* key, uint32_t index) -> const ConfigData& {
        for (uint32_t c = 0; c < item.GetChildCount(); ++c)
            if (strcasecmp(item.GetChild(c).GetKey().c_str(), key) == 0 && index-- == 0) return item.GetChild(c);
        return ConfigData::unknownItem;
    };
    for (const uint32_t children : {3u, 15u, 16u, 17u, 200u}) {
        SCOPED_TRACE(children);
        ConfigData item;
        for (uint32_t c = 0; c < children; ++c) item.AddChild(keys[(c * 5 + c / 7) % std::size(keys)]);
        for (const char* key : {"vertex", "Vertex", "FACE", "ab", "AB\0zz", "x", "nothing", ""}) {
            const uint32_t count = item.Count(key);
            uint32_t walked = 0;
            while (!walk(item, key, walked).IsUnknown()) ++walked;
            EXPECT_EQ(count, walked) << key;
            for (uint32_t index = 0; index <= count + 1; ++index)
                EXPECT_EQ(&item(key, index), &walk(item, key, index)) << key << " " << index;
        }
    }
}

TEST(ConfigParserTest, ConversionsAreStrictAndIndependentOfTheLocale) {
    // Numbers must read the same whatever the process's numeric locale.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = previous ? previous : "C";
    bool german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;

    ConfigParser parser;
    ASSERT_EQ(parser.ParseText("f 2.5\nneg -1.25e2\nplus +3\nhex 0xFF000000\nbad 2,5\npartial 12abc\n"
                               "yes on\nno Off\nmaybe perhaps\nint -42\nbig 99999999999\nnan nan\n"),
              0u);
    const ConfigData& root = *parser.GetRoot();
    struct FloatCase {
        const char* key;
        bool ok;
        float value;
    } floats[] = {{"f", true, 2.5f},        {"neg", true, -125.0f},  {"plus", true, 3.0f},
                  {"bad", false, -1.0f},    {"partial", false, -1.0f}, {"nan", false, -1.0f},
                  {"missing", false, -1.0f}};
    for (const FloatCase& c : floats) {
        float value = -1.0f;
        EXPECT_EQ(root(c.key) >> value, c.ok) << c.key;
        EXPECT_EQ(value, c.value) << c.key;
    }
    uint32_t colour = 0;
    EXPECT_TRUE(root("hex") >> colour);
    EXPECT_EQ(colour, 0xFF000000u);
    int32_t number = 0;
    EXPECT_TRUE(root("int") >> number);
    EXPECT_EQ(number, -42);
    number = 5;
    EXPECT_FALSE(root("big") >> number);
    EXPECT_EQ(number, 5);
    bool flag = false;
    EXPECT_TRUE(root("yes") >> flag);
    EXPECT_TRUE(flag);
    EXPECT_TRUE(root("no") >> flag);
    EXPECT_FALSE(flag);
    flag = true;
    EXPECT_FALSE(root("maybe") >> flag);
    EXPECT_TRUE(flag);

    std::setlocale(LC_NUMERIC, saved.c_str());
    // Without de_DE.UTF-8 installed the same checks ran in the C locale.
    RecordProperty("decimal_comma_locale", german ? "de_DE.UTF-8" : "not installed");
}

TEST(ConfigParserTest, ParsesFilesThroughTheFileLayer) {
    VorlexTest::TempDir dir;
    {
        std::ofstream out(dir.Path() + "/Lm.TXT", std::ios::binary);
        out << "\xEF\xBB\xBFversion 1.00\r\nmesh 0 {\r\n  name body.im\r\n}\r\n";
    }
    ConfigParser parser;
    ASSERT_EQ(parser.Parse((dir.Path() + "/lm.txt").c_str()), 0u);  // case-insensitive resolution
    PString name;
    ASSERT_TRUE((*parser.GetRoot())("mesh")("name") >> name);
    EXPECT_STREQ(name.c_str(), "body.im");
}
