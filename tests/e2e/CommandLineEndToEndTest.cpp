#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "InstalledProgram.h"

// The command line, batch files and exit codes through a real start-up
// against the stand-in daemon.
namespace {

using VorlexTest::InstalledProgram;
using VorlexTest::ProgramResult;

const std::string kEmptySummary = "OK (0 Errors, 0 Warnings)\n";
const std::string kUnknownWord =
    "- <NULL> : Invalid argument, please check the help for the list of valid argument\n\n"
    "OK (1 Errors, 0 Warnings)\n";

TEST(CommandLineEndToEnd, SingleCommandsPrintTheirLogAndEndWithTheLow8BitsOfTheirResult) {
    InstalledProgram installed;
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string out;
    };
    const Case cases[] = {
        {{"echo", "a", "b"}, 0, "a b \n" + kEmptySummary},
        {{"installedbuildnumber"}, 211, kEmptySummary},  // 47059
        {{"installedversion"}, 94, kEmptySummary},       // 350
        {{"installedversionhi"}, 1, kEmptySummary},
        {{"installedbuildnumberhi"}, 183, kEmptySummary},
        {{"nosuchword"}, 255, kUnknownWord},
    };
    for (const Case& c : cases) {
        ProgramResult run = installed.Run(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments[0];
        EXPECT_EQ(run.out, c.out) << c.arguments[0];
        EXPECT_EQ(run.err, "") << c.arguments[0];
    }
}

TEST(CommandLineEndToEnd, BatchFilesSkipBlankLinesAndEndWithZeroOnlyWhenEveryCommandDid) {
    InstalledProgram installed;
    const std::string longArgument(1500, 'x');
    InstalledProgram::WriteFile(installed.Root() + "/bin/mixed.txt",
                                "\"echo\" \"a b\"\n\n\r\necho " + longArgument + " end\n   \n");
    InstalledProgram::WriteFile(installed.Root() + "/bin/good.txt", "echo one\necho two");

    ProgramResult mixed = installed.Run({"@mixed.txt"});
    EXPECT_EQ(mixed.status, 255);
    EXPECT_EQ(mixed.out, "a b \n" + kEmptySummary + "\n" + longArgument + " end \n" + kEmptySummary + "\n" +
                             kUnknownWord + "\n");

    ProgramResult good = installed.Run({"@good.txt"});
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.out, "one \n" + kEmptySummary + "\ntwo \n" + kEmptySummary + "\n");
}

// A batch name without a folder is looked for in the program folder, not in
// the folder the user started from.
TEST(CommandLineEndToEnd, AMissingBatchFileIsReportedAfterStartUp) {
    InstalledProgram installed;
    InstalledProgram::WriteFile(installed.Elsewhere() + "/batch.txt", "echo one\n");
    ProgramResult run = installed.Run({"@batch.txt"});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "-The file \"batch.txt\" does not exist, please specify a valid filename\n");
    EXPECT_TRUE(installed.TranscriptHas("c1 goodbye"));
}

}  // namespace
