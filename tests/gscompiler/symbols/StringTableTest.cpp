#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gscompiler/GSCompileContext.h"

namespace {

// The library's string table numbers each distinct text once, in order of
// first use, however many texts it holds and however alike they are.
TEST(StringTable, EachDistinctTextHasOneNumberInOrderOfFirstUse) {
    GSCompileContext context;
    std::vector<std::string> texts;
    for (int i = 0; i < 5000; ++i) texts.push_back("t" + std::to_string(i));
    // Prefixes of one another, and the empty text.
    for (const char* text : {"", "a", "ab", "abc", "abd"}) texts.push_back(text);
    for (uint32_t i = 0; i < texts.size(); ++i) ASSERT_EQ(context.StringIndex(texts[i].c_str()), i) << texts[i];
    // Asked again, through other copies of the same texts: the same numbers.
    for (uint32_t i = texts.size(); i-- > 0;) {
        const std::string copy = texts[i];
        EXPECT_EQ(context.StringIndex(copy.c_str()), i) << copy;
    }
    EXPECT_EQ(context.stringCount, texts.size());
    ASSERT_EQ(context.stringTexts.size(), texts.size());
    EXPECT_STREQ(context.stringTexts[5002], "ab");
    EXPECT_EQ(context.StringIndex(nullptr), 0xFFFFFFFFu);
    context.Reset();
    EXPECT_EQ(context.StringIndex("abd"), 0u);
}

}  // namespace
