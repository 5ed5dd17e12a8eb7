#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProgramRun.h"

// The help requests answer before start-up; everything after start-up is
// tested through an installed program and the stand-in daemon (tests/e2e).
namespace {

using VorlexTest::ProgramResult;
using VorlexTest::RunProgram;

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

}  // namespace
