#include "assetdb/fpx/EscapeLineBreaks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct EscapeCase {
    const char* name;
    const char* text;
    std::string expected;
};

TEST(EscapeLineBreaks, Table) {
    const std::vector<EscapeCase> cases = {
        {"null text", nullptr, ""},
        {"empty text", "", ""},
        {"plain text", "Signal box", "Signal box"},
        {"CR LF is one break", "one\r\ntwo", "one\\ntwo"},
        {"LF CR is one break", "one\n\rtwo", "one\\ntwo"},
        {"lone CR", "one\rtwo", "one\\ntwo"},
        {"lone LF", "one\ntwo", "one\\ntwo"},
        {"two LF are two breaks", "one\n\ntwo", "one\\n\\ntwo"},
        {"two CR are two breaks", "one\r\rtwo", "one\\n\\ntwo"},
        {"CR LF CR LF", "a\r\n\r\nb", "a\\n\\nb"},
        {"CR LF LF", "a\r\n\nb", "a\\n\\nb"},
        {"break at the end", "end\r\n", "end\\n"},
        {"backslash doubled", "C:\\path", "C:\\\\path"},
        {"backslash before a break", "a\\\nb", "a\\\\\\nb"},
    };
    for (const EscapeCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(std::string(EscapeLineBreaks(c.text).c_str()), c.expected);
    }
}

}  // namespace
