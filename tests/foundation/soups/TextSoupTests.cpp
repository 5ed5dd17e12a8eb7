// The text form: the writer's exact layout, what the reader makes of each
// value, the byte-order mark, and damaged input.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <functional>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "foundation/soups/TextSoupReader.h"
#include "foundation/soups/TextSoupWriter.h"
#include "SoupTestSupport.h"
#include "support/SmallStack.h"

namespace {

std::string Blanks(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

std::string Written(const SoupHandle& soup) {
    TBuffer out;
    WriteTextSoup(soup, out);
    return SoupTest::ContentsText(out);
}

SoupHandle Parsed(const std::string& text, bool* result = nullptr) {
    TBuffer in;
    SoupTest::Fill(in, text);
    SoupHandle soup;
    bool ok = ParseTextSoup(soup, in);
    if (result) *result = ok;
    return soup;
}

std::vector<std::string> TagNames(const SoupHandle& soup) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < soup.Count(); ++i) names.push_back(soup.GetTagName(i).c_str());
    return names;
}

std::vector<float> Floats(const SoupHandle& soup, const char* name) {
    SoupHandle::FloatArray array;
    soup.GetFloatArray(name, array);
    return std::vector<float>(array.begin(), array.end());
}

void AppendRaw(SoupHandle& soup, const char* name, int32_t kind) {
    ChunkRef root = soup.EnsureContainerRef();
    root->AppendChild(name, root->CreateChunk(kind, MakeRawDataCopy(2, "x")));
}

TEST(TextSoupWriter, GoldenLayout) {
    SoupHandle soup;
    soup.SetInt("count", 5);
    soup.SetString("Name", "say \"hi\"");
    soup.SetString("word", "plain");
    soup.SetString("empty", "");
    soup.SetKUID("kuid", KUID(3, 100, 0));
    SoupHandle::FloatArray floats;
    floats.Add(1.5f), floats.Add(2.0f);
    soup.SetFloatArray("floats", floats);
    AppendRaw(soup, "raw", ACSKind::kRaw);
    SoupHandle box, inner;
    std::string twenty(20, 'n');
    inner.SetFloat(twenty.c_str(), 0.25f);
    box.SetInt("Mixed Case\x01\xC3", 1);
    box.SetContainer("inner", inner);
    soup.SetContainer("box", box);
    std::string fortyFive(45, 'w');
    soup.SetString(fortyFive.c_str(), "two\r\nlines\tand");

    const std::string expected = std::string("\xEF\xBB\xBF\r\n") +
        "count" + Blanks(35) + "5\r\n" +
        "name" + Blanks(36) + "\"say 'hi'\"\r\n" +
        "word" + Blanks(36) + "\"plain\"\r\n" +
        "empty" + Blanks(35) + "\r\n" +
        "kuid" + Blanks(36) + "<kuid:3:100>\r\n" +
        "floats" + Blanks(34) + "1.5,2\r\n" +
        "raw" + Blanks(37) + "\r\n" +
        "\r\n"
        "box\r\n"
        "{\r\n"
        "  mixed_case__" + Blanks(26) + "1\r\n" +
        "  \r\n"
        "  inner\r\n"
        "  {\r\n"
        "    " + twenty + Blanks(16) + "0.25\r\n" +
        "  }\r\n"
        "}\r\n" +
        fortyFive + " \"two\r\nlines\tand\"\r\n";
    EXPECT_EQ(Written(soup), expected);

    // A null handle writes nothing, an empty container only the header.
    EXPECT_EQ(Written(SoupHandle()), "");
    SoupHandle empty;
    empty.EnsureContainer();
    EXPECT_EQ(Written(empty), "\xEF\xBB\xBF\r\n");
}

TEST(TextSoupWriter, KuidLinesCarryNoNul) {
    SoupHandle soup;
    soup.SetKUID("kuid", KUID(-3, 1012, 127));
    soup.SetKUID("kuid2", KUID(3, 100, 2));
    soup.SetKUID("none", KUID::Null());
    std::string text = Written(soup);
    EXPECT_EQ(text.find('\0'), std::string::npos);
    EXPECT_NE(text.find("<kuid:-3:1012>\r\n"), std::string::npos);
    EXPECT_NE(text.find("<kuid2:3:100:2>\r\n"), std::string::npos);
    EXPECT_NE(text.find("<NULL>\r\n"), std::string::npos);
}

TEST(TextSoupRoundTrip, ReadBackTable) {
    SoupHandle soup;
    SoupHandle box;
    box.SetInt("x", 1);
    soup.SetContainer("container", box);
    soup.SetString("text", "a \"b\"");
    soup.SetString("kuidtext", "<kuid:1:2>");
    soup.SetString("twokuids", "<kuid:1:2> <kuid:3:4>");
    soup.SetInt("int", 5);
    int32_t three[3] = {1, 2, 3};
    soup.GetRoot()->AppendChild("ints", soup.GetRoot()->CreateChunk(ACSKind::kIntegers, MakeRawDataCopy(12, three)));
    soup.SetFloat("float", 2.5f);
    soup.SetFloat("round", 2.0f);
    SoupHandle::FloatArray floats;
    floats.Add(1.5f), floats.Add(2.0f);
    soup.SetFloatArray("floats", floats);
    soup.SetKUID("kuid", KUID(7, 8, 0));
    soup.SetEmpty("empty");
    AppendRaw(soup, "raw", ACSKind::kRaw);
    AppendRaw(soup, "reserved", ACSKind::kReserved);
    soup.SetString("emptytext", "");

    SoupHandle back = Parsed(Written(soup));
    struct Case {
        const char* name;
        int32_t kind;
    };
    const Case kinds[] = {
        {"container", ACSKind::kContainer}, {"text", ACSKind::kText},     {"kuidtext", ACSKind::kKUID},
        {"twokuids", ACSKind::kText},       {"int", ACSKind::kIntegers},  {"ints", ACSKind::kFloats},
        {"float", ACSKind::kFloats},        {"round", ACSKind::kIntegers}, {"floats", ACSKind::kFloats},
        {"kuid", ACSKind::kKUID},           {"empty", ACSKind::kEmpty},   {"raw", ACSKind::kEmpty},
        {"reserved", ACSKind::kEmpty},      {"emptytext", ACSKind::kEmpty},
    };
    for (const Case& c : kinds) {
        EXPECT_EQ(back.GetRoot()->GetChild(c.name)->GetKind(), c.kind) << c.name;
    }
    EXPECT_EQ(back.GetContainer("container").GetInt("x", 0), 1);
    EXPECT_STREQ(back.GetString("text").c_str(), "a 'b'");
    EXPECT_EQ(back.GetKUID("kuidtext", KUID()), KUID(1, 2, 0));
    EXPECT_EQ(Floats(back, "ints"), (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(back.GetFloat("float", 0), 2.5f);
    EXPECT_EQ(back.GetInt("round", 0), 2);
    EXPECT_EQ(Floats(back, "floats"), (std::vector<float>{1.5f, 2.0f}));
    EXPECT_EQ(back.GetKUID("kuid", KUID()), KUID(7, 8, 0));
    EXPECT_EQ(TagNames(back).size(), 14u);
}

TEST(TextSoupReader, ClassifiesValuesFromTheirText) {
    SoupHandle soup = Parsed(
        "list 12 34\n"
        "mixed 12abc\n"
        "negative -7\n"
        "half .5\n"
        "minus -\n"
        "point .\n"
        "minuspoint -.\n"
        "tokens 1,-,2 .\n"
        "spaced   -3   \t\n"
        "quoted \"x } y\n z\"\n"
        "escaped a\\nb \n"
        "slash a\\\n"
        "upper <KUID2:1:2:3>\n"
        "null <null>\n"
        "kuidlike <kuidx\n"
        "two <kuid:1:2><kuid:3:4>\n"
        "Caps 1\n"
        "nothing\n"
        "wide 2147483648\n"
        "huge 99999999999999999999\n"
        "hugeneg -99999999999999999999\n"
        "bigfloat 1.5e+60\n"
        "biglist 1000000000000000000000000000000000000000000000000000000000000,2\n"
        "tinylist 0.0000000000000000000000000000000000000000000000000000000000001,2\n"
        "tail 9");

    EXPECT_EQ(Floats(soup, "list"), (std::vector<float>{12, 34}));
    EXPECT_STREQ(soup.GetString("mixed").c_str(), "12abc");
    EXPECT_EQ(soup.GetTagKind("negative"), ACSKind::kIntegers);
    EXPECT_EQ(soup.GetInt("negative", 0), -7);
    EXPECT_EQ(soup.GetTagKind("half"), ACSKind::kFloats);
    EXPECT_EQ(soup.GetFloat("half", 0), 0.5f);
    // Numbers that scan nothing are stored as 0; list tokens are skipped.
    EXPECT_EQ(soup.GetTagKind("minus"), ACSKind::kIntegers);
    EXPECT_EQ(soup.GetInt("minus", 7), 0);
    EXPECT_EQ(soup.GetFloat("point", 7), 0.0f);
    EXPECT_EQ(soup.GetFloat("minuspoint", 7), 0.0f);
    EXPECT_EQ(Floats(soup, "tokens"), (std::vector<float>{1, 2}));
    EXPECT_EQ(soup.GetInt("spaced", 0), -3);
    EXPECT_STREQ(soup.GetString("quoted").c_str(), "x } y\r\n z");
    EXPECT_STREQ(soup.GetString("escaped").c_str(), "a\r\nb ");
    EXPECT_STREQ(soup.GetString("slash").c_str(), "a\\");
    EXPECT_EQ(soup.GetKUID("upper", KUID()), KUID(1, 2, 3));
    EXPECT_EQ(soup.GetTagKind("null"), ACSKind::kKUID);
    EXPECT_EQ(soup.GetKUID("null", KUID(1, 1, 0)), KUID::Null());
    EXPECT_EQ(soup.GetTagKind("kuidlike"), ACSKind::kText);
    EXPECT_EQ(soup.GetTagKind("two"), ACSKind::kText);
    EXPECT_EQ(soup.GetInt("caps", 0), 1);  // names are lower-cased
    EXPECT_EQ(soup.GetTagKind("nothing"), ACSKind::kEmpty);
    EXPECT_EQ(soup.GetInt("tail", 0), 9);  // the end of input ends a value
    // Numbers out of range read as the C library reads them: an integer
    // saturates to the long range and keeps its low 32 bits, a float is
    // infinite or 0.
    EXPECT_EQ(soup.GetInt("wide", 0), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(soup.GetInt("huge", 0), -1);
    EXPECT_EQ(soup.GetInt("hugeneg", 7), 0);
    EXPECT_EQ(soup.GetFloat("bigfloat", 0), std::numeric_limits<float>::infinity());
    EXPECT_EQ(Floats(soup, "biglist"), (std::vector<float>{std::numeric_limits<float>::infinity(), 2}));
    EXPECT_EQ(Floats(soup, "tinylist"), (std::vector<float>{0, 2}));
}

TEST(TextSoupReader, ContainersNamesAndRepeats) {
    std::string longName(600, 'l');
    SoupHandle soup = Parsed(
        "a 1\n"
        "box\r\n\r\n  {\r\n  x \"one\"}\n"
        "flat { y 2 }\n"
        "hollow {}\n"
        "a 3\n" +
        longName + " 4\n"
        "quote \"unterminated\n"
        "on\n"
        "} ignored 5\n");

    EXPECT_EQ(TagNames(soup), (std::vector<std::string>{"box", "flat", "hollow", "a", longName.substr(0, 511), "quote"}));
    EXPECT_EQ(soup.GetInt("a", 0), 3);  // the repeat replaced the first, at the end
    EXPECT_STREQ(soup.GetContainer("box").GetString("x").c_str(), "one");
    EXPECT_EQ(soup.GetContainer("flat").GetInt("y", 0), 2);
    EXPECT_FALSE(soup.GetContainer("hollow").IsEmpty());
    EXPECT_EQ(soup.GetContainer("hollow").Count(), 0);
    EXPECT_STREQ(soup.GetString("quote").c_str(), "unterminated\r\non\r\n} ignored 5\r\n");

    // A '}' at the top level ends reading.
    SoupHandle cut = Parsed("a 1\n}\nb 2\n");
    EXPECT_EQ(TagNames(cut), (std::vector<std::string>{"a"}));

    // Input without tags leaves the handle null.
    EXPECT_TRUE(Parsed("").IsEmpty());
    EXPECT_TRUE(Parsed("\xEF\xBB\xBF\r\n  \r\n").IsEmpty());
}

// A NUL byte ends the name or value it is in, like a line break, and reading
// goes on after it: texts written with their terminating NUL (a converted
// KUID text carries one) keep every tag that follows.
TEST(TextSoupReader, NulEndsOnlyTheCurrentToken) {
    using namespace std::string_literals;
    struct Case {
        std::string text;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"a 1\nb 2\0c 3\n"s, {"a", "b", "c"}},
        {"b x\0y\r\nc 3\r\n"s, {"b", "y", "c"}},
        {"na\0me 1\n"s, {"na", "me"}},
        {"q \"quoted\0rest\n"s, {"q", "rest"}},
        {"\0\0a 1\0\0\n\0"s, {"a"}},
        {"list 1,2\0n 4.5\0"s, {"list", "n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.text));
        EXPECT_EQ(TagNames(Parsed(c.text)), c.names);
    }
    SoupHandle values = Parsed("b x\0y\r\nc 3\r\nq \"quoted\0rest\n"s);
    EXPECT_STREQ(values.GetString("b").c_str(), "x");
    EXPECT_EQ(values.GetInt("c", 0), 3);
    EXPECT_STREQ(values.GetString("q").c_str(), "quoted");

    // A soup written with a NUL after every KUID text, inside containers
    // and out, reads back every tag.
    std::string text = "\xEF\xBB\xBF\r\n";
    for (int i = 0; i < 5; ++i) {
        text += "k" + std::to_string(i) + "   <kuid:" + std::to_string(i) + ":-" + std::to_string(i + 7) + ">" + "\0"s +
                "\r\n";
        text += "box" + std::to_string(i) + "\r\n{\r\n  inner <kuid2:1:2:3>\0"s + "\r\n  after " +
                std::to_string(i) + "\r\n}\r\n";
        text += "t" + std::to_string(i) + " \"text\"\r\n";
    }
    SoupHandle soup = Parsed(text);
    ASSERT_EQ(soup.Count(), 15);
    for (int i = 0; i < 5; ++i) {
        const std::string n = std::to_string(i);
        EXPECT_EQ(soup.GetKUID(("k" + n).c_str(), KUID::Null()), KUID(i, -(i + 7), 0));
        SoupHandle box = soup.GetContainer(("box" + n).c_str());
        EXPECT_EQ(box.GetKUID("inner", KUID::Null()), KUID(1, 2, 3));
        EXPECT_EQ(box.GetInt("after", -1), i);
        EXPECT_STREQ(soup.GetString(("t" + n).c_str()).c_str(), "text");
    }
}

TEST(TextSoupReader, ByteOrderMarkDecidesTheCodePage) {
    const std::string body = "t \"caf\xE9\"\r\nu plain\xE9\r\nbox\r\n{\r\n  v \"\xE9\"\r\n}\r\n";
    SoupHandle ansi = Parsed(body);
    EXPECT_EQ(std::string(ansi.GetString("t").c_str()), "caf\xC3\xA9");
    EXPECT_EQ(std::string(ansi.GetString("u").c_str()), "plain\xC3\xA9");
    EXPECT_EQ(std::string(ansi.GetContainer("box").GetString("v").c_str()), "\xC3\xA9");

    SoupHandle utf8 = Parsed("\xEF\xBB\xBF" + body);
    EXPECT_EQ(std::string(utf8.GetString("t").c_str()), "caf\xE9");
    EXPECT_EQ(std::string(utf8.GetContainer("box").GetString("v").c_str()), "\xE9");

    // The writer's own output reads back unchanged (it carries the mark).
    SoupHandle soup;
    soup.SetString("t", "caf\xC3\xA9");
    EXPECT_EQ(std::string(Parsed(Written(soup)).GetString("t").c_str()), "caf\xC3\xA9");
}

TEST(TextSoupReader, DeepNestingAndDamagedInputFailCleanly) {
    auto nested = [](int depth) {
        std::string text;
        for (int i = 0; i < depth; ++i) text += "c {\n";
        text += "v 1\n";
        for (int i = 0; i < depth; ++i) text += "}\n";
        return text;
    };
    bool ok = false;
    SoupHandle deepest;
    SoupHandle tooDeep;
    bool tooDeepOk = true;
    // Read on a small stack: the nesting costs the reader no calls.
    const std::string atLimit = nested(kMaxTextSoupDepth);
    const std::string pastLimit = nested(kMaxTextSoupDepth + 1);
    ASSERT_TRUE(VorlexTest::RunOnSmallStack([&] {
        deepest = Parsed(atLimit, &ok);
        tooDeep = Parsed(pastLimit, &tooDeepOk);
    }));
    EXPECT_TRUE(ok);
    SoupHandle walk = deepest;
    for (int i = 0; i < kMaxTextSoupDepth; ++i) walk = walk.GetContainer("c");
    EXPECT_EQ(walk.GetInt("v", 0), 1);

    EXPECT_FALSE(tooDeepOk);
    EXPECT_TRUE(tooDeep.IsEmpty());
    // Containers opened and never closed: the same.
    std::string open;
    for (int i = 0; i < 2000; ++i) open += "a {";
    EXPECT_TRUE(Parsed(open, &ok).IsEmpty());
    EXPECT_FALSE(ok);

    // Every prefix of a written soup parses to some soup without harm.
    SoupHandle soup;
    soup.SetString("text", "two words");
    SoupHandle box;
    box.SetKUID("k", KUID(1, 2, 0));
    box.SetFloat("f", 1.5f);
    soup.SetContainer("box", box);
    std::string text = Written(soup);
    for (std::size_t n = 0; n <= text.size(); ++n) {
        SoupHandle cut = Parsed(text.substr(0, n), &ok);
        EXPECT_TRUE(ok) << n;
        EXPECT_LE(cut.Count(), 2) << n;
    }
}

TEST(TextSoupReader, ReadsFromTheStreamPosition) {
    TBuffer in;
    SoupTest::Fill(in, std::string("skip me|a 1\n"));
    in.SetPosition(8);
    SoupHandle soup;
    soup.SetInt("old", 1);
    EXPECT_TRUE(ParseTextSoup(soup, in));
    EXPECT_EQ(TagNames(soup), (std::vector<std::string>{"a"}));
}

// The reader looks at its input through a window of a fixed size: values,
// names and the look-ahead that decides a value's kind cross the window's
// edges at every offset, one look-ahead (a number list line) is longer than
// the window, and the stream ends up right where reading stopped.
TEST(TextSoupReader, InputLongerThanTheReadersWindow) {
    std::string text;
    std::vector<std::pair<std::string, std::string>> expected;  // name, text value
    for (int i = 0; text.size() < 300 * 1024; ++i) {
        const std::string name = "t" + std::to_string(i);
        const std::string value(static_cast<std::size_t>(i % 97), static_cast<char>('a' + i % 26));
        text += name + (i % 3 ? " " : "\t\t") + "\"" + value + "\"\r\n";
        if (i % 500 == 0) text += "box" + std::to_string(i) + "\n\n\n{\n  n " + std::to_string(i) + "\n}\n";
        expected.emplace_back(name, value);
    }
    std::string list;
    while (list.size() < 150 * 1024) list += "1.5, -2 ";
    text += "list " + list + "\n";
    text += "last 7\n}rest";

    TBuffer in;
    SoupTest::Fill(in, text);
    SoupHandle soup;
    ASSERT_TRUE(ParseTextSoup(soup, in));
    for (const auto& [name, value] : expected) EXPECT_STREQ(soup.GetString(name.c_str()).c_str(), value.c_str()) << name;
    for (int i = 0; i < static_cast<int>(expected.size()); i += 500)
        EXPECT_EQ(soup.GetContainer(("box" + std::to_string(i)).c_str()).GetInt("n", -1), i);
    const std::vector<float> numbers = Floats(soup, "list");
    ASSERT_FALSE(numbers.empty());
    EXPECT_EQ(numbers.front(), 1.5f);
    EXPECT_EQ(soup.GetInt("last", 0), 7);
    EXPECT_EQ(in.Tell(), static_cast<int32_t>(text.size() - 5));  // at the top-level '}'
}

}  // namespace

// The writer gathers its text and hands it to the stream in pieces: a soup
// of many pieces comes out whole, in order and in the layout of a small
// one.
TEST(TextSoupWriter, SoupOfManyPiecesComesOutWhole) {
    SoupHandle soup;
    ChunkRef root = soup.EnsureContainerRef();
    std::string expected = "\xEF\xBB\xBF\r\n";
    for (int i = 0; i < 6000; ++i) {
        const std::string name = "Tag" + std::to_string(i);
        SoupHandle one;
        std::string value;
        switch (i % 3) {
            case 0:
                one.SetInt(name.c_str(), i * -3);
                value = std::to_string(i * -3);
                break;
            case 1: {
                one.SetFloat(name.c_str(), static_cast<float>(i) / 7.0f);
                char printed[32];
                std::snprintf(printed, sizeof printed, "%g", static_cast<double>(static_cast<float>(i) / 7.0f));
                value = printed;
                break;
            }
            default:
                one.SetString(name.c_str(), ("v \"" + std::to_string(i) + "\"").c_str());
                value = "\"v '" + std::to_string(i) + "'\"";
                break;
        }
        root->AppendChild(name.c_str(), one.GetRoot()->ChildAt(0)->chunk);
        const std::string lowered = "tag" + std::to_string(i);
        expected += lowered + Blanks(40 - static_cast<int>(lowered.size())) + value + "\r\n";
    }
    SoupHandle box;
    box.SetString("Q", "a b");
    soup.SetContainer("box", box);
    expected += "\r\nbox\r\n{\r\n  q" + Blanks(37) + "\"a b\"\r\n}\r\n";

    const std::string written = Written(soup);
    ASSERT_GT(written.size(), 3u * 64 * 1024);
    EXPECT_EQ(written, expected);
}

// The reader takes the next name from its look-ahead when that saw it
// whole; names of every length around the look-ahead's reach, in either
// letter case, cross the window's edges at every offset.
TEST(TextSoupReader, NamesOfEveryLengthAcrossTheWindow) {
    std::string text;
    std::vector<std::pair<std::string, int>> expected;  // lower-cased name, value
    for (int i = 0; text.size() < 200 * 1024; ++i) {
        std::string name = "N" + std::to_string(i) + "x";
        name.append(static_cast<std::size_t>(i % 90), i % 2 ? 'Q' : 'q');
        if (i % 1000 == 999) name.append(600, 'z');  // cut to 511 bytes
        const std::string between[] = {"\r\n", "\n", "\r\n  \t", std::string("\0\n", 2)};
        text += name + " " + std::to_string(i) + between[i % 4];
        std::string lowered = name.substr(0, 511);
        for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        expected.emplace_back(lowered, i);
    }
    const SoupHandle soup = Parsed(text);
    ASSERT_EQ(soup.Count(), static_cast<int32_t>(expected.size()));
    for (int32_t i = 0; i < soup.Count(); ++i) {
        ASSERT_STREQ(soup.GetTagName(i).c_str(), expected[i].first.c_str()) << i;
        ASSERT_EQ(soup.GetInt(expected[i].first.c_str(), -1), expected[i].second) << i;
    }
}

// A tag named with a leading '{' after a tag that has no value text would
// read back as that tag's container; a '}' in a name would end the
// container; a tag without a name would read its value as its name.
TEST(TextSoupWriter, NamesThatWouldChangeTheShapeAreWrittenWithUnderscores) {
    SoupHandle soup;
    soup.SetString("a", "");
    soup.SetInt("{b", 1);
    soup.SetInt("c}d", 2);
    soup.SetInt("}", 3);
    SoupHandle inner;
    inner.SetInt("x", 4);
    soup.SetContainer("{box", inner);
    ChunkRef root = soup.EnsureContainerRef();
    root->AppendChild(Vek::PString(), root->CreateChunk(ACSKind::kIntegers, MakeRawDataCopy(4, "\x05\0\0\0")));

    SoupHandle back = Parsed(Written(soup));
    EXPECT_EQ(TagNames(back), (std::vector<std::string>{"a", "_b", "c_d", "_box", "_"}));
    EXPECT_FALSE(back.GetContainer("a").GetRoot());
    EXPECT_EQ(back.GetInt("_b", 0), 1);
    EXPECT_EQ(back.GetInt("c_d", 0), 2);
    EXPECT_EQ(back.GetContainer("_box").GetInt("x", 0), 4);
    // "}" and the nameless tag both became "_": the later one replaced it.
    EXPECT_EQ(back.GetInt("_", 0), 5);
}

// Random soups written and read back keep their shape: the names (in the
// form the writer gives them), the nesting, the order and the count of tags.
// Values may change kind (numbers and empty texts do), never the tree.
TEST(TextSoupRoundTrip, RandomSoupsKeepTheirShape) {
    std::mt19937 random(2026);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const std::string nameBytes = "ab{}_\"'<>-.:,#=AZ \t\x01\xC3\xA9" "0123456789";
    const std::string textBytes = "ab {}\"'\\n\r\n\t<>:,.-0123456789kuid";

    auto randomText = [&](const std::string& alphabet, int maxLength) {
        std::string text;
        for (int i = pick(maxLength + 1); i > 0; --i) text.push_back(alphabet[static_cast<std::size_t>(pick(static_cast<int>(alphabet.size())))]);
        return text;
    };

    struct Shape {
        std::string name;
        bool container = false;
        std::vector<Shape> children;
        bool operator==(const Shape&) const = default;
    };
    std::function<void(SoupHandle&, std::vector<Shape>&, int)> fill = [&](SoupHandle& soup, std::vector<Shape>& shape,
                                                                           int depth) {
        soup.EnsureContainer();
        std::set<std::string> used;
        for (int i = pick(7); i > 0; --i) {
            std::string name = randomText(nameBytes, 10);
            const std::string written = NormaliseTagName(name.c_str());
            if (!used.insert(written).second) continue;  // one tag per written name
            Shape tag;
            tag.name = written;
            ChunkRef root = soup.EnsureContainerRef();
            const Vek::PString tagName(name.c_str(), name.size());
            switch (depth < 4 ? pick(9) : pick(8)) {
                case 0: soup.SetInt(tagName, static_cast<int32_t>(random())); break;
                case 1: soup.SetFloat(tagName, static_cast<float>(pick(100000)) / 7.0f - 5000.0f); break;
                case 2: soup.SetString(tagName, randomText(textBytes, 12).c_str()); break;
                case 3: soup.SetString(tagName, ""); break;
                case 4: soup.SetKUID(tagName, pick(2) ? KUID(pick(100), -pick(100), 0) : KUID::Null()); break;
                case 5: {
                    SoupHandle::FloatArray list;
                    for (int k = pick(4); k >= 0; --k) list.Add(static_cast<float>(pick(50)) / 4.0f);
                    soup.SetFloatArray(tagName, list);
                    break;
                }
                case 6: root->AppendChild(tagName, root->CreateChunk(ACSKind::kRaw, MakeRawDataCopy(3, "raw"))); break;
                case 7: soup.SetEmpty(tagName); break;
                default: {
                    SoupHandle child;
                    tag.container = true;
                    fill(child, tag.children, depth + 1);
                    soup.SetContainer(tagName, child);
                    break;
                }
            }
            shape.push_back(std::move(tag));
        }
    };
    std::function<std::vector<Shape>(const SoupHandle&)> shapeOf = [&](const SoupHandle& soup) {
        std::vector<Shape> shape;
        for (int32_t i = 0; i < soup.Count(); ++i) {
            Shape tag;
            tag.name = soup.GetTagName(i).c_str();
            SoupHandle child = soup.GetContainerAt(i);
            tag.container = child.GetRoot() != nullptr;
            if (tag.container) tag.children = shapeOf(child);
            shape.push_back(std::move(tag));
        }
        return shape;
    };

    for (int round = 0; round < 400; ++round) {
        SoupHandle soup;
        std::vector<Shape> expected;
        fill(soup, expected, 0);
        const std::string text = Written(soup);
        SCOPED_TRACE(::testing::PrintToString(text));
        ASSERT_EQ(shapeOf(Parsed(text)), expected) << "round " << round;
    }
}
