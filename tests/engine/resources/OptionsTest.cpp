// The engine's option switches.
#include <gtest/gtest.h>

#include <string>

#include "engine/Options.h"

using Vek::Options;

TEST(Options, ParsesSwitchesAndGivesThemBackInOrder) {
    struct Case {
        const char* raw;
        const char* text;
    } cases[] = {
        {"-render=OpenGL -hidewindow -LogFile=/dev/null ", "-render=OpenGL -hidewindow -LogFile=/dev/null "},
        {"-NullRender -LogStdOut ", "-NullRender -LogStdOut "},
        {"  \t-a   b=1\r\n", "-a -b=1 "},  // runs of blanks; the dash is optional
        {"-LogFile=\"/tmp/my log.txt\" -x", "-LogFile=\"/tmp/my log.txt\" -x "},
        {"-empty=", "-empty= "},
        {"-", ""},  // no name
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(Options(c.raw).GetText(), c.text) << c.raw;
    EXPECT_EQ(Options(nullptr).GetText(), "");
}

TEST(Options, ValuesAndNamesWithoutRegardToCase) {
    Options options("-render=OpenGL -hidewindow -LogFile=\"/tmp/a b.log\"");
    std::string value = "untouched";
    EXPECT_TRUE(options.GetValue("RENDER", value));
    EXPECT_EQ(value, "OpenGL");
    EXPECT_TRUE(options.GetValue("-logfile", value));
    EXPECT_EQ(value, "/tmp/a b.log");
    EXPECT_TRUE(options.GetValue("hidewindow", value));
    EXPECT_EQ(value, "");
    value = "untouched";
    EXPECT_FALSE(options.GetValue("NullRender", value));
    EXPECT_EQ(value, "untouched");
    EXPECT_TRUE(options.Has("-HideWindow"));
    EXPECT_FALSE(options.Has(""));
    EXPECT_FALSE(options.Has(nullptr));
}

TEST(Options, ProcessRawAddsAndTheLatestOfANameWins) {
    Options options("-render=OpenGL -LogFile=/dev/null");
    options.ProcessRaw("-NullRender");
    EXPECT_TRUE(options.Has("NullRender"));
    options.ProcessRaw("-RENDER=Null -logfile=/tmp/x.log");
    EXPECT_EQ(options.GetText(), "-NullRender -RENDER=Null -logfile=/tmp/x.log ");
    EXPECT_EQ(options.Count(), 3u);
}
