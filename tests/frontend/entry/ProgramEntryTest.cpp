#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ProgramRun.h"
#include "support/TempDir.h"

namespace {

using VorlexTest::ProgramResult;
using VorlexTest::RunProgram;

const std::string kEmptySummary = "OK (0 Errors, 0 Warnings)\n";
const std::string kUnknownWord =
    "- <NULL> : Invalid argument, please check the help for the list of valid argument\n\n"
    "OK (1 Errors, 0 Warnings)\n";

// The help text as users read it, line by line; the last two synopsis
// lines share one line.
std::string ExpectedHelp() {
    const std::vector<std::string> lines = {
        "Welcome to the Vorlex Util Tool!",
        "This is a simple command line tool to perform several content management functions to install/delete/modify "
        "assets.",
        std::string(58, '-'),
        "VorlexUtil help - Display this help text.",
        "VorlexUtil version - Display the VorlexUtil build version.",
        "VorlexUtil echo <text> - Echo the supplied text.",
        "VorlexUtil installCDP <PATH> - Install an asset from a CDP file.",
        "VorlexUtil installfrompath <PATH> - Install an asset from a directory.",
        "VorlexUtil installfromfpx <KUID> - Install an asset from the Kelmo Fetchport.",
        "VorlexUtil edit <KUID> - Open an asset for editing.",
        "VorlexUtil printconfig <KUID> - Print a config file to stdout.",
        "VorlexUtil backupkeywords - Backup all the keywords of your assets.",
        "VorlexUtil importkeywords - Import keywords into the Vorlex Asset Database.",
        "VorlexUtil commit <KUID> - Commit any edits that have been made to the specified asset.",
        "VorlexUtil revert <KUID> - Discard any edits that have been made to the specified asset.",
        "VorlexUtil delete <KUID> - Delete the specified asset from disk.",
        "VorlexUtil generateKUID - Generate a new KUID number in the local user's KUID range.",
        "VorlexUtil createCDP <Output Filename.cdp> <kuid1> <kuid2> <kuidX> ... - Export assets to a CDP file.",
        "VorlexUtil repairdatabase - Repairs the Vorlex Asset Database.",
        "VorlexUtil authors - List of all the authorIDs that have content in the game.",
        "VorlexUtil searchbycategory [-a] <CatgoryList>  - List all the local assets with a category set in this "
        "format, \"CMP;MESH|BD;-ACTV|VE|SCEN\". Use the -a parameter if you want to search the fetchport as well.",
        "VorlexUtil importconsists <PATH> - Import an old style Mapsmith consist list, creating consist assets for any "
        "unknown entries.",
        "VorlexUtil status <KUID> - Print the status of the specified asset.",
        "\tThis will output <KUID> : <Flags> : <category> : <username> where flags are a series of letters with case "
        "indicating boolean state. (Capital letters are flagged true and lowercase are flagged false.)",
        "\tEe - The asset is open for edit.",
        "\tIi - The asset is installed locally.",
        "\tAa - The asset is archived.",
        "\tDd - The asset is on the fetchport.",
        "\tLl - The asset is locally modified.",
        "\tMm - The asset has missing dependencies.",
        "\tFf - The asset is faulty.",
        "VorlexUtil validate <KUID> - Perform validation and display any errors or warnings relating to this asset.",
        "VorlexUtil compile <PATH> - Compile a script file.",
        "\t<-d>       Display gamescript documentation.",
        "\t<-s>       Silent mode.",
        "\t<-bPATH>   Specify a filepath for the compile log.",
        "\t<-pPATH>   Specify the output directory.",
        "\t<-oPATH>   Specify the output library filename.",
        "\t<PATH>     Input source file.",
        "\t<-iPATH>   Additional include path.",
        "VorlexUtil encrypt <PATH> - Encrypt a script file (gs --> gse).",
        "VorlexUtil listbuilds <PATH> - Print the list of installed build numbers to a file"
        "VorlexUtil @<file.txt> - Batch-execute a series of commands from the specified text file (every argument "
        "must be between double quotes.) Every line of that text file will be processed like a separate call to "
        "VorlexUtil.",
    };
    EXPECT_EQ(lines.size(), 42u);
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text + "\n";  // main adds one more line end
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// A copy of the program in a folder of its own, so that its program folder
// (where batch-file names without a folder are looked for) is a test folder.
struct InstalledProgram {
    VorlexTest::TempDir root;
    std::string bin = root / "bin";
    std::string program = bin + "/VorlexUtil";
    InstalledProgram() {
        std::filesystem::create_directories(bin);
        std::filesystem::copy_file(VorlexTest::BuiltProgramPath(), program);
    }
};

TEST(ProgramEntry, HelpIsPrintedByteForByte) {
    const std::string help = ExpectedHelp();

    ProgramResult bare = RunProgram(VorlexTest::BuiltProgramPath(), {});
    EXPECT_EQ(bare.status, 255);
    EXPECT_EQ(bare.out, help);
    EXPECT_EQ(bare.err, "");

    ProgramResult asked = RunProgram(VorlexTest::BuiltProgramPath(), {"HELP"});
    EXPECT_EQ(asked.status, 0);
    EXPECT_EQ(asked.out, help);
    EXPECT_EQ(asked.err, "");
}

TEST(ProgramEntry, SingleCommandsPrintTheirLogAndEndWithTheirResult) {
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string out;
    };
    const Case cases[] = {
        {{"VERSION"}, 0, "Build 47059\n" + kEmptySummary},
        {{"echo", "a", "b"}, 0, "a b \n" + kEmptySummary},
        {{"installedbuildnumber"}, 211, kEmptySummary},
        {{"installedversion"}, 94, kEmptySummary},
        {{"installedversionlo"}, 94, kEmptySummary},
        {{"installedversionhi"}, 1, kEmptySummary},
        {{"installedbuildnumberlo"}, 211, kEmptySummary},
        {{"installedbuildnumberhi"}, 183, kEmptySummary},
        {{"nosuchword"}, 255, kUnknownWord},
    };
    for (const Case& c : cases) {
        ProgramResult run = RunProgram(VorlexTest::BuiltProgramPath(), c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments[0];
        EXPECT_EQ(run.out, c.out) << c.arguments[0];
        EXPECT_EQ(run.err, "") << c.arguments[0];
    }
}

TEST(ProgramEntry, BatchRunsEachLineAndFailsWhenAnyCommandDoesNotReturnZero) {
    InstalledProgram installed;
    WriteFile(installed.bin + "/batch.txt", "\"version\"\r\n\"installedversion\"\r\n");
    VorlexTest::TempDir elsewhere;
    // A name without a folder is looked for in the program folder, not in
    // the folder the user started from.
    ProgramResult run = RunProgram(installed.program, {"@batch.txt"}, elsewhere.Path());
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, "Build 47059\n" + kEmptySummary + "\n" + kEmptySummary + "\n");
    EXPECT_EQ(run.err, "");
}

TEST(ProgramEntry, BatchSkipsBlankLinesRunsLongLinesWholeAndRejectsALineOfSpaces) {
    VorlexTest::TempDir dir;
    const std::string longArgument(1500, 'x');
    const std::string batch = dir / "batch.txt";
    WriteFile(batch, "\"echo\" \"a b\"\n\n\r\necho " + longArgument + " end\n   \n");
    ProgramResult run = RunProgram(VorlexTest::BuiltProgramPath(), {"@" + batch});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, "a b \n" + kEmptySummary + "\n" +                         // quoted argument with a space
                           longArgument + " end \n" + kEmptySummary + "\n" +     // one command, not two
                           kUnknownWord + "\n");                                 // the line of spaces
}

TEST(ProgramEntry, BatchOfSuccessfulCommandsEndsWithZero) {
    VorlexTest::TempDir dir;
    const std::string batch = dir / "batch.txt";
    WriteFile(batch, "echo one\necho two");  // the last line has no line end
    ProgramResult run = RunProgram(VorlexTest::BuiltProgramPath(), {"@" + batch});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "one \n" + kEmptySummary + "\ntwo \n" + kEmptySummary + "\n");
}

TEST(ProgramEntry, MissingBatchFileIsReported) {
    InstalledProgram installed;
    ProgramResult run = RunProgram(installed.program, {"@nope.txt"});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "-The file \"nope.txt\" does not exist, please specify a valid filename\n");
}

TEST(ProgramEntry, CrashInsideACommandEndsWithMinus100) {
    ProgramResult run = RunProgram(VorlexTest::BuiltProgramPath(), {"version"}, std::string(), {"VORLEX_TEST_CRASH=1"});
    EXPECT_EQ(run.status, 156);
    EXPECT_EQ(run.out, "");

    VorlexTest::TempDir dir;
    const std::string batch = dir / "batch.txt";
    WriteFile(batch, "echo one\n");
    ProgramResult batchRun =
        RunProgram(VorlexTest::BuiltProgramPath(), {"@" + batch}, std::string(), {"VORLEX_TEST_CRASH=1"});
    EXPECT_EQ(batchRun.status, 156);
}

}  // namespace
