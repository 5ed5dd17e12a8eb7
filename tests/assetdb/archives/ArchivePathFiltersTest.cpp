#include "assetdb/archives/ArchivePathFilters.h"

#include <gtest/gtest.h>

namespace {

struct TextCase {
    const char* text;
    bool accepted;
};

TEST(ArchivePathFilters, FileNames) {
    const TextCase cases[] = {
        {"config.txt", true},     {"Body Mesh (v2), $&'+-_~.pm", true}, {"a~b", true},
        {"1", true},              {"trailing.", true},                  {"", false},
        {" lead", false},         {".hidden", false},                   {"..", false},
        {"~backup", false},       {"trail ", false},                    {"a/b", false},
        {"a\\b", false},          {"a:b", false},                       {"tab\there", false},
        {"caf\xc3\xa9.txt", false}, {"star*.txt", false},               {"semi;colon", false},
    };
    for (const TextCase& c : cases) EXPECT_EQ(IsArchiveFileNameValid(c.text), c.accepted) << '"' << c.text << '"';
    EXPECT_FALSE(IsArchiveFileNameValid(nullptr));
}

TEST(ArchivePathFilters, FileTypes) {
    const TextCase cases[] = {
        {"a\\config.txt", true}, {"b.TGA", true},      {"c.Texture", true}, {"d.jpeg", true},
        {"e.srt", true},         {"f.gse", true},      {"g.exe", false},    {"h.txt.exe", false},
        {"noext", false},        {"dir.txt\\x", false}, {"i.", false},      {"j.mp4", false},
    };
    for (const TextCase& c : cases) EXPECT_EQ(IsArchiveFileTypeAllowed(c.text), c.accepted) << c.text;
}

TEST(ArchivePathFilters, Paths) {
    const TextCase cases[] = {
        {"art", true},        {"art\\maps", true}, {"art/maps", true}, {"a.b\\c", true},
        {"art\\..", true},    {"\\art", false},    {"/art", false},    {"..\\art", false},
        {".\\art", false},    {"art\\\\x", false}, {"art\\..\\x", false}, {"...\\x", false},
    };
    for (const TextCase& c : cases) EXPECT_EQ(IsArchivePathValid(c.text), c.accepted) << c.text;
}

}  // namespace
