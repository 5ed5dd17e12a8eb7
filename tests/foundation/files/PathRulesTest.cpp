// The text rules for paths and names, as one table of cases.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "foundation/files/PathRules.h"

namespace {

enum class Rule { Absolute, DotOrDotDot, InsideFolder, Extension, Prefix, TextureTxt };

struct Case {
    Rule rule;
    const char* first;   // the path, name or pattern; for Extension the preset extension
    const char* second;  // the text for Prefix; the path for Extension
    bool expected;
    const char* expectedText;  // Extension only: the extension found
};

const Case kCases[] = {
    // Absolute: a leading '/' or '\' (the normalised install paths), or a drive form.
    {Rule::Absolute, "/x", nullptr, true, nullptr},
    {Rule::Absolute, "\\opt\\vorlex", nullptr, true, nullptr},
    {Rule::Absolute, "\\\\server\\share", nullptr, true, nullptr},
    {Rule::Absolute, "//x", nullptr, true, nullptr},
    {Rule::Absolute, "C:/x", nullptr, true, nullptr},
    {Rule::Absolute, "c:\\x", nullptr, true, nullptr},
    {Rule::Absolute, "C:", nullptr, false, nullptr},
    {Rule::Absolute, "C:x", nullptr, false, nullptr},
    {Rule::Absolute, "x/y", nullptr, false, nullptr},
    {Rule::Absolute, "..\\y", nullptr, false, nullptr},
    {Rule::Absolute, "", nullptr, false, nullptr},
    {Rule::Absolute, nullptr, nullptr, false, nullptr},

    {Rule::DotOrDotDot, ".", nullptr, true, nullptr},
    {Rule::DotOrDotDot, "..", nullptr, true, nullptr},
    {Rule::DotOrDotDot, "...", nullptr, false, nullptr},
    {Rule::DotOrDotDot, ".svn", nullptr, false, nullptr},
    {Rule::DotOrDotDot, "", nullptr, false, nullptr},

    // InsideFolder: untrusted names joined to a folder never climb out of it.
    {Rule::InsideFolder, "images/a.tga", nullptr, true, nullptr},
    {Rule::InsideFolder, "a..b/..c", nullptr, true, nullptr},
    {Rule::InsideFolder, "..", nullptr, false, nullptr},
    {Rule::InsideFolder, "../../x.tga", nullptr, false, nullptr},
    {Rule::InsideFolder, "a\\..\\..\\x", nullptr, false, nullptr},
    {Rule::InsideFolder, "a/..", nullptr, false, nullptr},
    {Rule::InsideFolder, "/etc/passwd", nullptr, false, nullptr},
    {Rule::InsideFolder, "C:\\x", nullptr, false, nullptr},
    {Rule::InsideFolder, "", nullptr, false, nullptr},
    {Rule::InsideFolder, nullptr, nullptr, false, nullptr},

    // Extension: the preset one wins; else the text behind the last '.', which
    // may lie in a folder name.
    {Rule::Extension, nullptr, "dir.v2/file", true, "v2/file"},
    {Rule::Extension, nullptr, ".txt", true, "txt"},
    {Rule::Extension, nullptr, "config.chump", true, "chump"},
    {Rule::Extension, nullptr, "name.", true, ""},
    {Rule::Extension, nullptr, "noext", false, ""},
    {Rule::Extension, nullptr, nullptr, false, ""},
    {Rule::Extension, ".chump", "config.txt", true, "chump"},
    {Rule::Extension, "txt", "config.chump", true, "txt"},
    {Rule::Extension, "", "config.chump", true, "chump"},

    // Prefix: the pattern need only be a prefix; '?' is any character.
    {Rule::Prefix, "<KUID:", "<kuid:1:2>", true, nullptr},
    {Rule::Prefix, "<KUID:", "<KU", false, nullptr},
    {Rule::Prefix, "<KUID2:", "<kuid:1:2>", false, nullptr},
    {Rule::Prefix, "<NULL>", "<null>", true, nullptr},
    {Rule::Prefix, "", "anything", true, nullptr},
    {Rule::Prefix, "", "", true, nullptr},
    {Rule::Prefix, "a?c", "aXcd", true, nullptr},
    {Rule::Prefix, "a?", "a", false, nullptr},
    {Rule::Prefix, "[", "{", false, nullptr},  // only letters fold: '[' and '{' differ by 0x20
    {Rule::Prefix, "\xC9", "\xE9", false, nullptr},  // bytes above ASCII compare exactly

    // ".texture.txt" at the end, without case; the bare "texture.txt" is not one.
    {Rule::TextureTxt, "Tree.Texture.TXT", nullptr, true, nullptr},
    {Rule::TextureTxt, ".texture.txt", nullptr, true, nullptr},
    {Rule::TextureTxt, "texture.txt", nullptr, false, nullptr},
    {Rule::TextureTxt, "a\\b.texture.txt", nullptr, true, nullptr},
    {Rule::TextureTxt, "b.texture.txt.bak", nullptr, false, nullptr},
    {Rule::TextureTxt, "btexture.txt", nullptr, false, nullptr},
    {Rule::TextureTxt, "", nullptr, false, nullptr},
};

std::string Describe(const Case& c) {
    auto text = [](const char* s) { return s ? std::string("'") + s + "'" : std::string("null"); };
    return "rule " + std::to_string(static_cast<int>(c.rule)) + " with " + text(c.first) + ", " + text(c.second);
}

}  // namespace

TEST(PathRules, TableOfCases) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(Describe(c));
        switch (c.rule) {
        case Rule::Absolute:
            EXPECT_EQ(IsAbsolutePath(c.first), c.expected);
            break;
        case Rule::DotOrDotDot:
            EXPECT_EQ(IsDotOrDotDot(c.first), c.expected);
            break;
        case Rule::InsideFolder:
            EXPECT_EQ(IsPathInsideFolder(c.first), c.expected);
            break;
        case Rule::Extension: {
            const char* extension = c.first;
            EXPECT_EQ(GetExtensionText(extension, c.second), c.expected);
            ASSERT_NE(extension, nullptr);
            EXPECT_STREQ(extension, c.expectedText);
            break;
        }
        case Rule::Prefix:
            EXPECT_EQ(MatchesPrefixNoCase(c.first, c.second), c.expected);
            break;
        case Rule::TextureTxt:
            EXPECT_EQ(IsTextureTxtFileName(c.first), c.expected);
            break;
        }
    }
}

TEST(PathRules, ToLowerAsciiBoundedStopsAtTheNulOrCutsTheText) {
    char withNul[8] = "AbC\xC9";
    EXPECT_TRUE(ToLowerAsciiBounded(withNul, sizeof withNul));
    EXPECT_STREQ(withNul, "abc\xC9");

    // No NUL within the size: the letters inside are lowered and the last
    // byte becomes the terminator; nothing past the size is touched.
    char noNul[6] = {'A', 'B', 'C', 'D', 'E', 'F'};
    EXPECT_FALSE(ToLowerAsciiBounded(noNul, 4));
    EXPECT_EQ(std::string(noNul, 6), std::string("abc\0EF", 6));

    EXPECT_FALSE(ToLowerAsciiBounded(noNul, 0));
    EXPECT_EQ(noNul[0], 'a');
}

TEST(PathRules, ToLowerAsciiPStringInternsTheLowerCaseText) {
    Vek::PString mixed("Scenery.Kind");
    EXPECT_TRUE(ToLowerAsciiPString(mixed));
    EXPECT_EQ(mixed, Vek::PString("scenery.kind"));

    Vek::PString empty;
    EXPECT_FALSE(ToLowerAsciiPString(empty));
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(PathRules, NormalisePathGivesLowerCaseBackslashesAndNoTrailingSeparator) {
    const struct {
        const char* given;
        const char* expected;
    } cases[] = {
        {"/Opt/Vorlex/", "\\opt\\vorlex"},
        {"C:/Games//Vorlex/./bin/../", "c:\\games\\vorlex"},
        {"\\", "\\"},
        {"", ""},
    };
    for (const auto& c : cases) {
        Vek::File::Path path(c.given);
        NormalisePath(path);
        EXPECT_EQ(path.Str(), c.expected) << "from '" << c.given << "'";
    }
}

TEST(PathRules, IsPowerOfTwoTakesExactlyOneBit) {
    const struct {
        uint32_t value;
        bool expected;
    } cases[] = {{0, false}, {1, true}, {2, true}, {3, false}, {4096, true}, {0x80000000u, true}, {0xFFFFFFFFu, false}};
    for (const auto& c : cases) EXPECT_EQ(IsPowerOfTwo(c.value), c.expected) << c.value;
}

TEST(PathRules, MakeSafeIdentifierFiltersAndTrimsBlanks) {
    EXPECT_STREQ(MakeSafeIdentifier("My Asset-2.gs  ").c_str(), "My Asset_2_gs");
    EXPECT_STREQ(MakeSafeIdentifier("ok_Name 9").c_str(), "ok_Name 9");
    EXPECT_STREQ(MakeSafeIdentifier().c_str(), "");
}
