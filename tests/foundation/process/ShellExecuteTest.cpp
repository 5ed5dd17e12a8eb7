#include <gtest/gtest.h>
#include <unistd.h>

#include "foundation/platform/process/Launchers.h"
#include "foundation/platform/process/ShellExecute.h"
#include "foundation/process/ProcessTestSupport.h"
#include "support/TempDir.h"

namespace {

TEST(ShellExecuteTest, SplitsCommandLinesAsWindowsDoes) {
    struct Case {
        const char* text;
        std::vector<std::string> arguments;
    };
    const Case cases[] = {
        {"", {}},
        {"  a  b\tc ", {"a", "b", "c"}},
        {"\"a b\" c", {"a b", "c"}},
        {"a\"b c\"d", {"ab cd"}},
        {"\"\"", {""}},
        {"a\\\"b", {"a\"b"}},
        {"a\\\\\"b c\"", {"a\\b c"}},
        {"C:\\x\\y z", {"C:\\x\\y", "z"}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.text), c.arguments) << c.text;
    EXPECT_TRUE(SplitCommandLine(nullptr).empty());
}

TEST(ShellExecuteTest, StartsInANewSessionWithArgumentsAndFolder) {
    VorlexTest::TempDir dir;
    const std::string out = dir / "out.txt";
    VorlexTest::WriteExecutable(dir / "Tool.sh",
                                "#!/bin/sh\n"
                                "printf '%s|' \"$@\" > \"" + out + ".tmp\"\n"
                                "pwd >> \"" + out + ".tmp\"\n"
                                "ps -o sid= -p $$ | tr -d ' ' >> \"" + out + ".tmp\"\n"
                                "mv \"" + out + ".tmp\" \"" + out + "\"\n");
    // The program path is resolved case-insensitively, as on Windows.
    std::string program = dir / "tool.SH";
    int pid = ShellExecuteGetProcessId(program.c_str(), "one \"two words\"", dir.Path().c_str(),
                                       kShellExecuteHidden | kShellExecuteMinimised);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(VorlexTest::WaitFor([&] { return access(out.c_str(), F_OK) == 0; }));
    const std::string text = VorlexTest::ReadText(out);
    EXPECT_EQ(text, "one|two words|" + dir.Path() + "\n" + std::to_string(pid) + "\n");
}

TEST(ShellExecuteTest, FailuresGiveZero) {
    VorlexTest::TempDir dir;
    EXPECT_EQ(ShellExecuteGetProcessId("", "", "", 0), 0);
    EXPECT_EQ(ShellExecuteGetProcessId(nullptr, "", "", 0), 0);
    EXPECT_EQ(ShellExecuteGetProcessId((dir / "missing").c_str(), "", "", 0), 0);
    VorlexTest::WriteExecutable(dir / "plain.txt", "");
    ::chmod((dir / "plain.txt").c_str(), 0644);
    EXPECT_EQ(ShellExecuteGetProcessId((dir / "plain.txt").c_str(), "", "", 0), 0);
}

TEST(ShellExecuteTest, LaunchersStartTheirProgramsWhenPresent) {
    VorlexTest::TempDir dir;
    EXPECT_FALSE(LaunchAssetDesk(dir.Path().c_str()));
    EXPECT_FALSE(LaunchGame(dir.Path().c_str(), "-x", nullptr));

    ::mkdir((dir / "bin").c_str(), 0755);
    const std::string out = dir / "args.txt";
    const std::string script = "#!/bin/sh\nprintf '%s ' \"$0\" \"$@\" > \"" + out + ".tmp\"\nmv \"" + out +
                               ".tmp\" \"" + out + "\"\n";
    VorlexTest::WriteExecutable(dir / "bin/AssetDesk", script);
    VorlexTest::WriteExecutable(dir / "bin/vorlex", script);

    EXPECT_TRUE(LaunchAssetDesk(dir.Path().c_str()));
    ASSERT_TRUE(VorlexTest::WaitFor([&] { return access(out.c_str(), F_OK) == 0; }));
    EXPECT_EQ(VorlexTest::ReadText(out), dir.Path() + "/bin/AssetDesk ");
    ::unlink(out.c_str());

    GameDisplayOptions options;
    options.words[GameDisplayOptions::kMultiSample] = 0;
    EXPECT_TRUE(LaunchGame(dir.Path().c_str(), "-map=\"big one\"", &options));
    ASSERT_TRUE(VorlexTest::WaitFor([&] { return access(out.c_str(), F_OK) == 0; }));
    EXPECT_EQ(VorlexTest::ReadText(out),
              dir.Path() + "/bin/vorlex -map=big one -Width=1024 -Height=768 -ColorBits=32 -fullscreen "
                           "-Render=OpenGL ");
    EXPECT_EQ(BuildGameCommandLine(nullptr, options),
              " -Width=1024 -Height=768 -ColorBits=32 -fullscreen -Render=OpenGL");
}

}  // namespace
