#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/soups/SoupHandle.h"
#include "foundation/streams/BufferStream.h"
#include "frontend/commands/CommandPaths.h"
#include "frontend/commands/CommandTestDaemon.h"

namespace {

using namespace CommandTest;

class Dispatcher : public CommandFixture {};

std::vector<uint8_t> SoupBytes(const SoupHandle& soup) {
    TBuffer stream;
    WriteBinarySoup(stream, soup);
    return std::vector<uint8_t>(stream.GetData(), stream.GetData() + stream.GetDataSize());
}

const std::string kUnknownWord =
    "- <NULL> : Invalid argument, please check the help for the list of valid argument\n\n"
    "OK (1 Errors, 0 Warnings)\n";

TEST_F(Dispatcher, WordsMatchInAnyLetterCaseAndUnknownWordsFail) {
    struct Case {
        std::vector<std::string> arguments;
        int32_t result;
        std::string out;
        std::string log;
    };
    const Case cases[] = {
        {{"VERSION"}, 0, "Build 47059\n", kNoEntries},
        {{"EcHo", "a", "B"}, 0, "a B \n", kNoEntries},
        {{"InstalledBuildNumber"}, 47059, "", kNoEntries},
        {{"installedVersionHi"}, 1, "", kNoEntries},
        {{"nosuchword"}, -1, "", kUnknownWord},
        {{" "}, -1, "", kUnknownWord},
        // registeraccount is a word only with a user name and a password.
        {{"RegisterAccount", "bob"}, -1, "", kUnknownWord},
    };
    for (const Case& c : cases) {
        const Outcome run = Command(c.arguments);
        EXPECT_EQ(run.result, c.result) << c.arguments[0];
        EXPECT_EQ(run.out, c.out) << c.arguments[0];
        EXPECT_EQ(run.log, c.log) << c.arguments[0];
    }
    EXPECT_TRUE(Daemon().Frames().empty());
}

TEST_F(Dispatcher, EveryWordReportsItsMissingParameterWithoutAskingTheDaemon) {
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const Case cases[] = {
        {{"installcdp"}, "Missing input filepath parameter."},
        {{"installfrompath"}, "Missing input path parameter."},
        {{"installfromfpx"}, "Missing AssetID parameter."},
        {{"installfromfpx", "3:100"}, "Missing AssetID parameter."},
        {{"importconsists"}, "Missing input path parameter."},
        {{"edit"}, "Missing AssetID parameter."},
        {{"printconfig"}, "Missing AssetID parameter."},
        {{"compile"}, "Invalid file path."},
        {{"encrypt"}, "Invalid file path."},
        {{"encrypt", "script.txt"}, "Invalid file path."},
        {{"listbuilds"}, "Missing path parameter."},
        {{"commit"}, "Missing AssetID parameter."},
        {{"revert"}, "Missing AssetID parameter."},
        {{"delete"}, "Missing AssetID parameter."},
        {{"repairdatabase", "quick"}, "Unknown parameter."},
        {{"compresstexture"}, "Missing AssetID parameter."},
        {{"searchbycategory", "-a"}, "Missing category parameter."},
        {{"searchbycategory", "-a", ""}, "Missing category parameter."},
        {{"status"}, "Missing AssetID parameter."},
        // A batch line with two blanks in a row passes an empty argument.
        {{"status", ""}, "Missing AssetID parameter."},
        {{"validate"}, "Missing AssetID parameter."},
        {{"createcdp"}, "Missing output path parameter."},
        {{"createcdp", "out.zip", "<kuid:3:100>"}, "The output filename must have a .cdp extension."},
        {{"fpxparse"}, "Missing CDP filepath."},
    };
    for (const Case& c : cases) {
        const Outcome run = Command(c.arguments);
        EXPECT_EQ(run.result, -1) << c.arguments[0];
        EXPECT_EQ(run.out, "") << c.arguments[0];
        EXPECT_EQ(run.log, OneError(c.message)) << c.arguments[0];
    }
    EXPECT_TRUE(Daemon().Frames().empty());
}

TEST_F(Dispatcher, EditParsesItsKuidStrictlyAndPrintsTheFolder) {
    Daemon().On(30, [](const Frame& frame) {
        // Only <kuid:3:100> is known.
        if (frame.payload == Bytes().Kuid(3, 100, 0).U8(1).Get())
            return Answer{Bytes().I64(7).PStr("editing").Str("kuid 3 100"), {}, false};
        return Answer{Bytes().I64(-1).PStr("").Str(""), {{3, "No such asset."}}, false};
    });

    Outcome known = Command({"edit", "<KUID:3:100>"});
    EXPECT_EQ(known.result, 0);
    EXPECT_EQ(known.out, "+ <kuid:3:100> : kuid 3 100\n");
    EXPECT_EQ(known.log, kNoEntries);
    Outcome bare = Command({"edit", "kuid:3:100"});
    EXPECT_EQ(bare.result, 0) << "the tag form without angle brackets parses too";

    // The bare form is no KUID in strict mode: the daemon is asked for the
    // null KUID and refuses.
    Outcome strict = Command({"edit", "3:100"});
    EXPECT_EQ(strict.result, -1);
    EXPECT_EQ(strict.out, "");
    EXPECT_EQ(strict.log, "- <NULL> : No such asset.\n- <NULL> : Unknown AssetID.\nOK (2 Errors, 0 Warnings)\n");

    const std::vector<Frame> opens = Daemon().FramesOf(30);
    ASSERT_EQ(opens.size(), 3u);
    EXPECT_EQ(opens[2].payload, Bytes().NullKuid().U8(1).Get());
    // Each handle that came back is closed once.
    const std::vector<Frame> closes = Daemon().FramesOf(31);
    ASSERT_EQ(closes.size(), 2u);
    EXPECT_EQ(closes[0].payload, Bytes().I64(7).Get());
}

TEST_F(Dispatcher, CommitRevertAndDeleteAnswerWithTheDaemonsVerdict) {
    Daemon().Reply(30, Bytes().I64(9).PStr("editing").Str("kuid 3 100"));
    uint8_t verdict = 1;
    Daemon().On(34, [&](const Frame&) { return Answer{Bytes().U8(verdict).U8(0), {}, false}; });
    Daemon().On(33, [&](const Frame&) { return Answer{Bytes().U8(verdict), {}, false}; });
    Daemon().On(36, [&](const Frame&) { return Answer{Bytes().U8(verdict), {}, false}; });
    const std::vector<uint8_t> asset = Bytes().Kuid(3, 100, 0);

    for (uint8_t answer : {uint8_t{1}, uint8_t{0}}) {
        verdict = answer;
        const int32_t expected = answer ? 0 : -1;
        EXPECT_EQ(Command({"commit", "<kuid:3:100>"}).result, expected);
        EXPECT_EQ(Command({"revert", "<kuid:3:100>"}).result, expected);
        EXPECT_EQ(Command({"Delete", "<kuid:3:100>"}).result, expected);
    }

    std::vector<Frame> frames = Daemon().Frames();
    // After a refusal each word asks for the asset's record (21), to say why.
    ASSERT_EQ(frames.size(), 17u);
    EXPECT_EQ(frames[10].op, 21);
    EXPECT_EQ(frames[14].op, 21);
    EXPECT_EQ(frames[16].op, 21);
    // commit: open for editing, commit with flags 0, close.
    EXPECT_EQ(frames[0].op, 30);
    EXPECT_EQ(frames[0].payload, Bytes().Raw(asset).U8(1).Get());
    EXPECT_EQ(frames[1].op, 34);
    EXPECT_EQ(frames[1].payload, Bytes().I64(9).I32(0).Get());
    EXPECT_EQ(frames[2].op, 31);
    // revert: open without edit rights, revert, close.
    EXPECT_EQ(frames[3].op, 30);
    EXPECT_EQ(frames[3].payload, Bytes().Raw(asset).U8(0).Get());
    EXPECT_EQ(frames[4].op, 33);
    EXPECT_EQ(frames[4].payload, Bytes().I64(9).Get());
    EXPECT_EQ(frames[5].op, 31);
    // delete with its edits.
    EXPECT_EQ(frames[6].op, 36);
    EXPECT_EQ(frames[6].payload, Bytes().Raw(asset).U8(1).Get());
}

TEST_F(Dispatcher, GenerateKuidPrintsTheNewKuidOrTheNullOne) {
    Daemon().Reply(58, Bytes().Kuid(3, 101, 0));
    Outcome made = Command({"generateKUID"});
    EXPECT_EQ(made.result, 0);
    EXPECT_EQ(made.out, "<KUID2:3:101:0>\n");

    Daemon().Reply(58, {});
    Outcome none = Command({"generatekuid"});
    EXPECT_EQ(none.result, -1);
    EXPECT_EQ(none.out, "<KUID2:-1:4294967295:127>\n");
    EXPECT_EQ(none.log, kNoEntries);
}

TEST_F(Dispatcher, PrintConfigDumpsTheConfigurationOrSaysTheAssetIsNotLocal) {
    SoupHandle config;
    config.SetString(Vek::PString("kind"), "scenery");
    config.SetKUID(Vek::PString("kuid"), KUID(3, 100, 0));
    Daemon().On(20, [&](const Frame& frame) {
        if (frame.payload == Bytes().Kuid(3, 100, 0).Get()) return Answer{SoupBytes(config), {}, false};
        return Answer{SoupBytes(SoupHandle()), {}, false};
    });

    Outcome known = Command({"printconfig", "<kuid:3:100>"});
    EXPECT_EQ(known.result, 0);
    const std::string start = "+ Start of <kuid:3:100> dump\n";
    const std::string end = "+ End of <kuid:3:100> dump\n";
    ASSERT_GT(known.out.size(), start.size() + end.size());
    EXPECT_EQ(known.out.substr(0, start.size()), start);
    EXPECT_EQ(known.out.substr(known.out.size() - end.size()), end);
    EXPECT_NE(known.out.find("kind"), std::string::npos);
    EXPECT_NE(known.out.find("scenery"), std::string::npos);

    Outcome unknown = Command({"printconfig", "<kuid:3:999>"});
    EXPECT_EQ(unknown.result, -1);
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.log, "- <kuid:3:999> : Asset is not local.\nOK (1 Errors, 0 Warnings)\n");
}

TEST_F(Dispatcher, ListBuildsWritesTheInstalledBuildsUnderTheLowerCasedName) {
    Daemon().Reply(253, Bytes().PStr("47059;47100"));
    std::filesystem::create_directories(m_dir / "Out");
    Outcome run = Command({"listbuilds", m_dir / "Out/Builds.TXT"});
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.log, kNoEntries);
    EXPECT_EQ(VorlexTest::ReadFile(m_dir / "Out/builds.txt"), "47059;47100\n");

    Outcome missing = Command({"listbuilds", m_dir / "NoFolder/builds.txt"});
    EXPECT_EQ(missing.result, -1);
    EXPECT_EQ(missing.log, OneError("Failed to open output file."));
}

TEST_F(Dispatcher, SearchByCategorySendsTheUpperCasedPatternAndListsTheMatches) {
    Daemon().Reply(2, Bytes().I32(2).Kuid(3, 100, 0).Kuid(3, 101, 2));
    Outcome local = Command({"searchbycategory", "cmp;mesh|BD;-actv|ve|scen"});
    EXPECT_EQ(local.result, 0);
    EXPECT_EQ(local.out,
              "+ 2 : assets matching the specified criteria\n"
              "+ #0 : <kuid:3:100>\n"
              "+ #1 : <kuid2:3:101:2>\n");
    EXPECT_EQ(local.log, kNoEntries);

    Daemon().Reply(2, Bytes().I32(0));
    Outcome everywhere = Command({"searchbycategory", "-A", "tr;loc"});
    EXPECT_EQ(everywhere.result, -1) << "nothing matched";
    EXPECT_EQ(everywhere.out, "");
    EXPECT_EQ(everywhere.log, kNoEntries);

    const std::vector<Frame> searches = Daemon().FramesOf(2);
    ASSERT_EQ(searches.size(), 2u);
    // A group requiring all of its children: the category list and "local".
    EXPECT_EQ(searches[0].payload, Bytes()
                                       .Tag("grup")
                                       .U8(1)
                                       .U8(0)
                                       .I32(2)
                                       .Tag("strn")
                                       .I32(1)
                                       .PStr("CMP;MESH|BD;-ACTV|VE|SCEN")
                                       .U8(0)
                                       .Tag("bool")
                                       .I32(0)
                                       .Get());
    // With -a the category list alone: assets of the download service match
    // too.
    EXPECT_EQ(searches[1].payload,
              Bytes().Tag("grup").U8(1).U8(0).I32(1).Tag("strn").I32(1).PStr("TR;LOC").U8(0).Get());
}

TEST_F(Dispatcher, RepairDatabaseRunsTheModeOfItsArgument) {
    struct Case {
        std::string argument;
        int32_t mode;
    };
    const Case cases[] = {{"", 100}, {"Extended", 150}, {"base", 20}, {"PATCHER", 50}};
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"repairdatabase"};
        if (!c.argument.empty()) arguments.push_back(c.argument);
        const std::size_t before = Daemon().Frames().size();
        const std::size_t done = Daemon().FramesOf(256).size();
        Outcome run = Command(arguments);
        if (c.mode == 50) {
            EXPECT_TRUE(Daemon().WaitForFrames(256, done + 1));
        }
        EXPECT_EQ(run.result, 0) << c.argument;
        EXPECT_EQ(run.out, c.mode == 50 ? "" : "Repairing asset database (this may take some time)\n") << c.argument;
        std::vector<Frame> frames = Daemon().Frames();
        frames.erase(frames.begin(), frames.begin() + static_cast<std::ptrdiff_t>(before));
        ASSERT_GE(frames.size(), 2u) << c.argument;
        EXPECT_EQ(frames[0].op, 3);
        EXPECT_EQ(frames[0].payload, Bytes().I32(c.mode).Get());
        EXPECT_EQ(frames[1].op, 4);
        // After a patcher's repair the daemon is told that it is done.
        EXPECT_EQ(frames.back().op, c.mode == 50 ? 256 : 4) << c.argument;
    }
}

TEST_F(Dispatcher, RepairDatabaseTakesOverTheRepairsMessagesAndEndsWith255OnErrors) {
    Daemon().On(3, [](const Frame&) {
        return Answer{{}, {{2, "Slow disk."}, {3, "Damaged record."}}, false};
    });
    Outcome run = Command({"repairdatabase", "base"});
    EXPECT_EQ(run.result, 255);
    EXPECT_EQ(run.log, "! <NULL> : Slow disk.\n- <NULL> : Damaged record.\nOK (1 Errors, 1 Warnings)\n");
}

TEST_F(Dispatcher, InstallCdpJoinsARelativePathToTheStartupDirectory) {
    int32_t result = 1;
    Daemon().On(40, [&](const Frame&) { return Answer{Bytes().I32(result).U8(0), {{4, "Installed."}}, false}; });

    Outcome relative = Command({"installCDP", "Sub/Pack.CDP"}, "/start/My Dir");
    EXPECT_EQ(relative.result, 0);
    EXPECT_EQ(relative.log, "+ <NULL> : Installed.\nOK (0 Errors, 0 Warnings)\n");
    result = 0;
    Outcome absolute = Command({"installcdp", "/Elsewhere/pack.cdp"}, "/start/My Dir");
    EXPECT_EQ(absolute.result, -1) << "the daemon answered 0";

    const std::vector<Frame> installs = Daemon().FramesOf(40);
    ASSERT_EQ(installs.size(), 2u);
    // The path goes as typed (the file layer finds another letter case only
    // where it does not exist as written), and so does the start-up
    // directory.
    EXPECT_EQ(installs[0].payload, Bytes().Str("/start/My Dir/Sub/Pack.CDP").I32(2).U8(0).Get());
    EXPECT_EQ(installs[1].payload, Bytes().Str("/Elsewhere/pack.cdp").I32(2).U8(0).Get());
}

TEST_F(Dispatcher, InstallFromPathAnswersAMissingPathItself) {
    Outcome run = Command({"installfrompath", "no-such-folder"}, m_dir.Path());
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.log, OneError("Invalid input path."));
    EXPECT_TRUE(Daemon().Frames().empty());
}

TEST_F(Dispatcher, CreateCdpWritesToTheOutputPathAsGivenAndOnlyWhenEveryAssetIsLocal) {
    InfoRecord notInstalled;
    Daemon().Reply(21, notInstalled.Wire());
    Outcome refused = Command({"createcdp", m_dir / "Out.CDP", "<kuid:3:100>"});
    EXPECT_EQ(refused.result, -1);
    EXPECT_EQ(refused.log, "- <kuid:3:100> : Asset is not local.\nOK (1 Errors, 0 Warnings)\n");
    EXPECT_FALSE(std::filesystem::exists(m_dir / "out.cdp"));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "Out.CDP"));

    // Without KUIDs the archive is empty; the output name keeps its case.
    Outcome empty = Command({"createCDP", m_dir / "Empty.CDP"});
    EXPECT_EQ(empty.result, 0);
    EXPECT_TRUE(std::filesystem::exists(m_dir / "Empty.CDP"));
}

TEST_F(Dispatcher, FpxParseHandsTheArchivePathAsGivenToTheSplitter) {
    Daemon().Reply(236, Bytes().U8(1));
    Outcome run = Command({"fpxparse", m_dir / "Missing.CDP"});
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(Daemon().FramesOf(235).size(), 1u) << "the splitter ran";
    // The path is argv[2] as given, not lower-cased.
    EXPECT_NE(run.log.find("Missing.CDP"), std::string::npos) << run.log;
}

// installfromfpx is done when the daemon's record of the newest version
// says installed at the end; a record that did not come proves nothing.
TEST_F(Dispatcher, InstallFromFpxSucceedsOnlyWhenTheNewestVersionIsInstalled) {
    InfoRecord installed;
    installed.statusA = 1 << 3;
    InfoRecord notInstalled;
    notInstalled.statusA = 1 << 6;
    struct Case {
        const char* name;
        Answer info;
        int32_t result;
        std::string log;
    };
    const std::string notDone = "- <kuid:3:100> : The asset was not installed.\nOK (1 Errors, 0 Warnings)\n";
    const Case cases[] = {
        {"installed", {installed.Wire(), {}, false}, 0, kNoEntries},
        {"not installed", {notInstalled.Wire(), {}, false}, -1, notDone},
        {"no record", {{}, {}, false}, -1, notDone},
        {"link dropped", {{}, {}, true}, -1,
         "- <kuid:3:100> : The asset was not installed.\n- <NULL> : The link to the daemon was lost while waiting for "
         "its reply to operation 21.\nOK (2 Errors, 0 Warnings)\n"},
    };
    Daemon().Reply(27, Bytes().Kuid(3, 100, 0));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Daemon().On(21, [&c](const Frame&) { return c.info; });
        Outcome run = Command({"installfromfpx", "<kuid:3:100>"});
        EXPECT_EQ(run.result, c.result);
        EXPECT_EQ(run.log, c.log);
    }
}

TEST_F(Dispatcher, CommandHostRegistersAndReturnsWhenTheLinkDrops) {
    Daemon().On(140, [](const Frame&) { return Answer{{}, {}, true}; });
    Outcome run = Command({"VADCommandHost"});
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(Daemon().FramesOf(140).size(), 1u);
}

TEST(CompressTexturePath, AbsoluteFormsStayAndOthersJoinTheCurrentDirectory) {
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"c:\\textures\\a", "c:\\textures\\a"},
        {"/srv/textures", "/srv/textures"},
        {"\\srv\\textures", "\\srv\\textures"},
        // Three characters are too short for the drive form.
        {"c:\\", "\\prog\\bin\\c:"},
        {"c:/textures", "\\prog\\bin\\c:\\textures"},
        {"textures/../tex", "\\prog\\bin\\tex"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolveTextureFolderPath("/Prog/Bin", c.text).Str(), c.expected) << c.text;
}

TEST_F(Dispatcher, CompressTextureNamesTheFolderItCannotSearch) {
    Outcome run = Command({"compresstexture", "/Srv/Tex"});
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.log, OneError("Unable to search path: '/srv/tex'"));
}

TEST_F(Dispatcher, ScriptWordsRunInTheStartupDirectoryAndRestoreTheCurrentOne) {
    const std::string start = m_dir / "Start";
    std::filesystem::create_directories(start);
    std::ofstream(start + "/Test.gs") << "class Test\n{\n};\n";
    const std::string before = GetCurrentDirectoryText();

    Outcome encrypt = Command({"encrypt", "Test.GS"}, start);
    EXPECT_EQ(encrypt.result, 0) << encrypt.log;
    EXPECT_TRUE(std::filesystem::exists(start + "/test.gse"));
    EXPECT_EQ(GetCurrentDirectoryText(), before);

    Outcome missing = Command({"encrypt", "missing.gs"}, start);
    EXPECT_EQ(missing.result, -1);
    EXPECT_EQ(missing.log, OneError("Invalid file path."));

    // The compiler's own "-b" log lands beside the user's files.
    Outcome compile = Command({"compile", "-s", "-bCompile.log", "missing.gs"}, start);
    EXPECT_EQ(compile.result, -1);
    EXPECT_TRUE(std::filesystem::exists(start + "/Compile.log"));
    EXPECT_EQ(GetCurrentDirectoryText(), before);
}

}  // namespace
