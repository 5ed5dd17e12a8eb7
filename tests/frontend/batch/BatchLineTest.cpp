#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "frontend/BatchLine.h"

namespace {

struct SplitCase {
    const char* name;
    std::string line;
    bool runs;
    std::vector<std::string> arguments;
};

const SplitCase kCases[] = {
    {"plain words", "version\n", true, {"version"}},
    {"quoted words", "\"installcdp\" \"C:\\My Assets\\a.cdp\"\r\n", true, {"installcdp", "C:\\My Assets\\a.cdp"}},
    {"two spaces give an empty argument", "status  <kuid:3:100>\n", true, {"status", "", "<kuid:3:100>"}},
    {"text after a closing quote is dropped", "\"echo\"x \"a\"bc d\n", true, {"echo", "a", "d"}},
    {"text before an opening quote is dropped", "ab\"cd\"\n", true, {"cd"}},
    {"a leading space adds no empty argument", " echo a\n", true, {"echo", "a"}},
    {"CRLF ends the line", "echo a\r\n", true, {"echo", "a"}},
    {"a lone CR ends the line", "echo a\rrest\n", true, {"echo", "a"}},
    {"last line without terminator", "echo a", true, {"echo", "a"}},
    {"blank line LF", "\n", false, {"\n"}},
    {"blank line CRLF", "\r\n", false, {"\r"}},
    {"a line of spaces runs an empty word", "   \n", true, {"", "", ""}},
    {"a quoted space as last argument skips the line", "echo \" \"\n", false, {"echo", " "}},
    {"an empty quoted argument", "echo \"\"\n", true, {"echo", ""}},
    {"an unclosed quote runs an empty word", "\"echo a\n", true, {""}},
    {"the empty read of an empty file runs an empty word", "", true, {""}},
    {"a NUL ends the line", std::string("echo a\0b c\n", 11), true, {"echo", "a"}},
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class SplitBatchLineTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitBatchLineTest, SplitsAsTheRulesSay) {
    const SplitCase& c = GetParam();
    std::vector<std::string> arguments;
    EXPECT_EQ(SplitBatchLine(c.line, arguments), c.runs);
    EXPECT_EQ(arguments, c.arguments);
}

INSTANTIATE_TEST_SUITE_P(Table, SplitBatchLineTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SplitCase>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p)
                                 name += (std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_');
                             return name;
                         });

}  // namespace
