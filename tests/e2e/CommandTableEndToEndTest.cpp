#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "InstalledProgram.h"
#include "assetdb/categories/LegacyCategoryTable.h"
#include "foundation/kuid/KUID.h"
#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/text/CRC32.h"
#include "foundation/soups/SoupHandle.h"
#include "foundation/streams/BufferStream.h"
#include "support/ImWriter.h"
#include "support/LmWriter.h"

// Every command word run as a user runs it: the installed program against
// the stand-in daemon, checked by its standard output, its exit status and
// the operations the daemon received.
namespace {

using VorlexTest::InstalledProgram;
using VorlexTest::ProgramResult;

constexpr int kUserId = 523401;

std::string Summary(int errors, int warnings = 0) {
    return "OK (" + std::to_string(errors) + " Errors, " + std::to_string(warnings) + " Warnings)\n";
}
// An uncompressed 32-bit TGA image of width x height.
std::string Tga(int width, int height) {
    std::string bytes(18, '\0');
    bytes[2] = 2;
    bytes[12] = static_cast<char>(width & 0xFF);
    bytes[13] = static_cast<char>(width >> 8);
    bytes[14] = static_cast<char>(height & 0xFF);
    bytes[15] = static_cast<char>(height >> 8);
    bytes[16] = 32;
    bytes[17] = 0x28;
    return bytes + std::string(static_cast<std::size_t>(width) * height * 4, '\x7f');
}

std::string Failure(const std::string& message, const std::string& asset = "<NULL>", int errors = 1) {
    return "- " + asset + " : " + message + "\n" + Summary(errors);
}

// Bytes in the scenario's "hex" item form.
std::string HexOf(const std::vector<uint8_t>& bytes) {
    std::string hex;
    for (uint8_t byte : bytes) {
        static const char kDigits[] = "0123456789abcdef";
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 15];
    }
    return hex;
}

// The binary form of the "internet" settings with the user's id, in the
// scenario's "hex" item form.
std::string InternetSettingsHex() {
    SoupHandle internet;
    internet.SetInt(Vek::PString("user-id"), kUserId);
    TBuffer stream;
    WriteBinarySoup(stream, internet);
    return HexOf(std::vector<uint8_t>(stream.GetData(), stream.GetData() + stream.GetDataSize()));
}

// True when `expected` occurs in `ops` in this order (other operations may
// lie between).
bool ReceivedInOrder(const std::vector<int>& ops, const std::vector<int>& expected) {
    std::size_t next = 0;
    for (int op : ops)
        if (next < expected.size() && op == expected[next]) ++next;
    return next == expected.size();
}
int CountOf(const std::vector<int>& ops, int op) {
    int count = 0;
    for (int each : ops) count += each == op;
    return count;
}
std::string Joined(const std::vector<int>& ops) {
    std::string text;
    for (int op : ops) text += std::to_string(op) + " ";
    return text;
}

struct Row {
    std::vector<std::string> arguments = {};
    int status = 0;
    std::string out = {};              // exact, unless `outParts` is set
    std::vector<int> operations = {};  // received in this order
    std::vector<int> notReceived = {};  // none of these
    // With these set, `out` is not compared: the output holds these texts
    // in this order and ends with the last.
    std::vector<std::string> outParts = {};
};

class CommandTable : public ::testing::Test {
protected:
    InstalledProgram installed;

    // Runs the row with a fresh transcript and checks everything it names.
    void Check(const Row& row, const std::vector<std::string>& environment = {}) {
        std::string name;
        for (const std::string& argument : row.arguments) name += "[" + argument + "]";
        SCOPED_TRACE(name);
        installed.ClearTranscript();
        const ProgramResult run = installed.Run(row.arguments, environment);
        EXPECT_EQ(run.status, row.status);
        if (row.outParts.empty()) {
            EXPECT_EQ(run.out, row.out);
        } else {
            std::size_t at = 0;
            for (const std::string& part : row.outParts) {
                const std::size_t found = run.out.find(part, at);
                ASSERT_NE(found, std::string::npos) << "missing " << part << " in\n" << run.out;
                at = found + part.size();
            }
            EXPECT_EQ(at, run.out.size()) << run.out;
        }
        EXPECT_EQ(run.err, "");
        // The daemon may record the last frames (one-way messages) after the
        // program has ended: wait for the link's end, briefly (a link the
        // daemon dropped itself records no end).
        for (int waited = 0; waited < 3000; waited += 10) {
            const std::string transcript = installed.Transcript();
            if (transcript.find(" goodbye\n") != std::string::npos || transcript.find(" end\n") != std::string::npos)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const std::vector<int> ops = installed.ReceivedOperations();
        EXPECT_TRUE(ReceivedInOrder(ops, row.operations)) << "received: " << Joined(ops);
        for (int op : row.notReceived) EXPECT_EQ(CountOf(ops, op), 0) << "operation " << op;
    }

    // Stores the user's id in the daemon's "internet" settings the way a
    // user would: `registeraccount` reads the settings (here answered with a
    // soup that holds the id) and writes them back with the name added.
    void RegisterUser() {
        installed.StopDaemons();
        const std::string scenario = "rules\n{\n 0\n {\n  op 100\n  times 1\n  reply\n  {\n   0 \"hex " +
                                     InternetSettingsHex() + "\"\n  }\n }\n}\n";
        Check({{"registeraccount", "Tester", "secret"}, 0, Summary(0), {100, 101}},
              {installed.UseScenario(scenario)});
        installed.StopDaemons();
    }

    // A local asset made through `importconsists`: one consist named `name`.
    void ImportConsist(const std::string& name) {
        InstalledProgram::WriteFile(installed.Elsewhere() + "/consists.txt",
                                    "train-0\n{\n name \"" + name +
                                        "\"\n list\n {\n  car-0 <kuid:3:100>\n  num-0 2\n  dir-0 1\n }\n}\n");
        Check({{"importconsists", "consists.txt"}, 0, Summary(0), {2, 35, 34}});
    }

    // Three asset folders under Elsewhere()/pack: a (<kuid:523401:11>,
    // "BD"), b (<kuid:523401:12>, "BD;ACTV") and c (<kuid:77:13>,
    // "CMP;MESH", with a data file).
    void WriteAssetFolders() {
        struct Folder {
            const char* name;
            const char* kuid;
            const char* username;
            const char* categories;
        };
        const Folder folders[] = {{"a", "<kuid:523401:11>", "Tower A", "BD"},
                                  {"b", "<kuid:523401:12>", "Shed B", "BD;ACTV"},
                                  {"c", "<kuid:77:13>", "Mesh C", "CMP;MESH"}};
        for (const Folder& folder : folders) {
            const std::string path = installed.Elsewhere() + "/pack/" + folder.name;
            std::filesystem::create_directories(path);
            InstalledProgram::WriteFile(path + "/config.txt", std::string("kuid ") + folder.kuid +
                                                                  "\nkind \"scenery\"\nusername \"" + folder.username +
                                                                  "\"\ncategory-class \"" + folder.categories + "\"\n");
        }
        InstalledProgram::WriteFile(installed.Elsewhere() + "/pack/c/mesh.im", "mesh data\n");
    }
    // A configuration of <kuid:523401:number> that the shipped schema
    // accepts, with `extra` tags after it.
    static std::string CheckedConfiguration(int number, const std::string& extra = std::string()) {
        return "kuid <kuid:523401:" + std::to_string(number) +
               ">\nkind \"scenery\"\nusername \"Checked\"\ncategory-class \"BH\"\ncategory-region \"UK\"\n"
               "category-era \"1950s\"\nvorlex-build 3.5\n" +
               extra;
    }
    // A mesh table whose one entry names `mesh`.
    static std::string MeshTable(const std::string& mesh) {
        return "mesh-table\n{\n  default\n  {\n    mesh \"" + mesh + "\"\n    auto-create 1\n  }\n}\n";
    }
    // The bytes of a mesh of one quad whose material is of `type` and names
    // `textures` (stage, file).
    static std::string QuadMesh(const std::string& type,
                                const std::vector<std::pair<uint32_t, std::string>>& textures) {
        ImWriter::MeshModel model;
        ImWriter::ChunkModel quad = ImWriter::Quad(1.0f);
        quad.material.name = "paint.m." + type;
        for (const auto& [stage, file] : textures) quad.material.textures.push_back({stage, file, 1.0f});
        model.chunks = {quad};
        const std::vector<uint8_t> mesh = ImWriter::Write(model);
        return std::string(mesh.begin(), mesh.end());
    }
    // Writes the asset folder Elsewhere()/assets/<name> from `files` (name,
    // bytes), installs it and runs `validate` on <kuid:523401:number>.
    ProgramResult InstallAndValidate(const std::string& name, int number,
                                     const std::vector<std::pair<std::string, std::string>>& files) {
        const std::string folder = installed.Elsewhere() + "/assets/" + name;
        for (const auto& [file, bytes] : files) {
            std::filesystem::create_directories(std::filesystem::path(folder + "/" + file).parent_path());
            InstalledProgram::WriteFile(folder + "/" + file, bytes);
        }
        const ProgramResult install = installed.Run({"installfrompath", "assets/" + name});
        EXPECT_EQ(install.status, 0) << install.out;
        return installed.Run({"validate", "<kuid:523401:" + std::to_string(number) + ">"});
    }
    void InstallAssetFolders() {
        WriteAssetFolders();
        Check({{"installfrompath", "pack"}, 0, "", {39, 39, 39}, {}, {"Installed <kuid:77:13>.\n", Summary(0)}});
    }
};

TEST_F(CommandTable, CommandWordsMatchInAnyLetterCaseAndNeedTheirArgumentCount) {
    const std::string unknown =
        "- <NULL> : Invalid argument, please check the help for the list of valid argument\n\n" + Summary(1);
    const Row rows[] = {
        {{"VERSION"}, 0, "Build 47059\n" + Summary(0), {}},
        {{"eChO", "a"}, 0, "a \n" + Summary(0), {}},
        {{"InstalledBuildNumber"}, 211, Summary(0), {}},
        {{"ListBuilds"}, 255, Failure("Missing path parameter."), {}},
        // registeraccount matches only with a name and a password.
        {{"registeraccount", "Tester"}, 255, unknown, {}, {100, 101}},
        {{"REGISTERACCOUNT"}, 255, unknown, {}, {100, 101}},
        // A batch file's words too.
        {{"@words.txt"}, 0, "one \n" + Summary(0) + "\nBuild 47059\n" + Summary(0) + "\n", {}},
        // An empty batch file still gets its one read: an empty word.
        {{"@empty.txt"}, 255, unknown + "\n", {}},
    };
    InstalledProgram::WriteFile(installed.Root() + "/bin/words.txt", "ECHO one\nVersion\n");
    InstalledProgram::WriteFile(installed.Root() + "/bin/empty.txt", "");
    for (const Row& row : rows) Check(row);
}

TEST_F(CommandTable, EveryWordReportsItsMissingParameterWithoutAskingTheDaemon) {
    const std::string missingAsset = Failure("Missing AssetID parameter.");
    const std::vector<int> assetOps = {20, 21, 30, 33, 34, 36, 39, 40, 48};
    const Row rows[] = {
        {{"installcdp"}, 255, Failure("Missing input filepath parameter."), {}, assetOps},
        {{"installfrompath"}, 255, Failure("Missing input path parameter."), {}, assetOps},
        {{"installfromfpx"}, 255, missingAsset, {}, {74}},
        {{"importconsists"}, 255, Failure("Missing input path parameter."), {}, {2, 35}},
        {{"edit"}, 255, missingAsset, {}, assetOps},
        {{"printconfig"}, 255, missingAsset, {}, assetOps},
        {{"compile"}, 255, Failure("Invalid file path."), {}, {}},
        {{"encrypt"}, 255, Failure("Invalid file path."), {}, {}},
        {{"listbuilds"}, 255, Failure("Missing path parameter."), {}, {253}},
        {{"commit"}, 255, missingAsset, {}, assetOps},
        {{"revert"}, 255, missingAsset, {}, assetOps},
        {{"delete"}, 255, missingAsset, {}, assetOps},
        {{"compresstexture"}, 255, missingAsset, {}, {}},
        {{"searchbycategory", "-a"}, 255, Failure("Missing category parameter."), {}, {2}},
        {{"status"}, 255, missingAsset, {}, assetOps},
        {{"validate"}, 255, missingAsset, {}, assetOps},
        {{"createcdp"}, 255, Failure("Missing output path parameter."), {}, assetOps},
        {{"createcdp", "out.zip", "<kuid:3:100>"}, 255,
         Failure("The output filename must have a .cdp extension."), {}, assetOps},
        {{"fpxparse"}, 255, Failure("Missing CDP filepath."), {}, assetOps},
    };
    for (const Row& row : rows) Check(row);
    EXPECT_FALSE(std::filesystem::exists(installed.Root() + "/bin/out.zip"));
}

TEST_F(CommandTable, CompressTextureConvertsAFolderOfDescriptions) {
    const std::string folder = installed.Root() + "/UserData/local/textures";
    std::filesystem::create_directories(folder + "/sub");
    {
        std::ofstream image(folder + "/sub/wall.tga", std::ios::binary);
        const uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 64, 0, 64, 0, 32, 0x28};
        image.write(reinterpret_cast<const char*>(header), sizeof header);
        const uint32_t pixel = 0xFF204060u;
        for (int i = 0; i < 64 * 64; ++i) image.write(reinterpret_cast<const char*>(&pixel), 4);
    }
    InstalledProgram::WriteFile(folder + "/sub/Wall.Texture.txt", "Primary=wall.tga\n");
    Check({{"compresstexture", folder}, 0, Summary(0), {}});
    EXPECT_TRUE(std::filesystem::exists(folder + "/sub/Wall.Texture"));
    EXPECT_TRUE(std::filesystem::exists(folder + "/sub/Wall.Texture.txt"));

    // A description whose image is missing: the word fails and names it.
    InstalledProgram::WriteFile(folder + "/broken.texture.txt", "Primary=none.tga\n");
    const ProgramResult run = installed.Run({"compresstexture", folder});
    EXPECT_EQ(run.status, 255);
    // The message's text, naming the description as the user knows it.
    EXPECT_NE(run.out.find("- <NULL> : The texture description 'textures\\broken.texture.txt' in 'local' cannot be "
                           "loaded.\n"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("$vadtexture"), std::string::npos) << run.out;
    EXPECT_TRUE(std::filesystem::exists(folder + "/broken.texture.txt"));
}

// compresstexture stays in the folder's location: a folder linked from
// elsewhere is not walked, and no compiled texture is written there.
TEST_F(CommandTable, CompressTextureDoesNotFollowALinkOutOfItsLocation) {
    const std::string folder = installed.Root() + "/UserData/local/linked";
    const std::string outside = installed.Elsewhere() + "/outside";
    std::filesystem::create_directories(folder);
    std::filesystem::create_directories(outside);
    InstalledProgram::WriteFile(outside + "/far.tga", Tga(64, 64));
    InstalledProgram::WriteFile(outside + "/far.texture.txt", "Primary=far.tga\n");
    std::filesystem::create_directory_symlink(outside, folder + "/away");
    const ProgramResult run = installed.Run({"compresstexture", folder});
    EXPECT_EQ(run.status, 255);
    // The folder as the word resolved it.
    EXPECT_NE(run.out.find("/local/linked/away': it leads out of its location\n" + Summary(1)), std::string::npos)
        << run.out;
    EXPECT_FALSE(std::filesystem::exists(outside + "/far.texture"));
    EXPECT_TRUE(std::filesystem::exists(outside + "/far.texture.txt"));
}

// KUID arguments parse strictly: the bare "3:100" is no KUID, and the
// request names the null KUID.
TEST_F(CommandTable, KuidArgumentsParseStrictly) {
    // The daemon's own message, which the open request puts in the log.
    const std::string notThere = "The asset is not in the database.\n";
    const Row rows[] = {
        {{"edit", "3:100"}, 255, "- <NULL> : " + notThere + Failure("Unknown AssetID.", "<NULL>", 2), {30}},
        {{"edit", "<KUID:3:100>"}, 255, "- <kuid:3:100> : " + notThere + Failure("Unknown AssetID.", "<kuid:3:100>", 2),
         {30}},
        {{"status", "3:100"}, 255, Failure("Unknown AssetID."), {21}},
        {{"printconfig", "kuid2:3:100:1"}, 255, Failure("Asset is not local.", "<kuid2:3:100:1>"), {20}},
    };
    for (const Row& row : rows) Check(row);
}

// One asset's life: made by importconsists, opened, committed, reverted,
// deleted, with its status letters along the way; new KUIDs come from the
// user's range once the settings name the user.
TEST_F(CommandTable, AnAssetsLifeThroughTheCommandWords) {
    Check({{"generatekuid"},
           255,
           "<KUID2:-1:4294967295:127>\n- <NULL> : No KUID can be made: the daemon has no user id. Set \"user-id\" in "
           "UserData/vaddaemon.txt (or VADDAEMON_USER_ID) to the user's number.\n" +
               Summary(1),
           {58}});
    RegisterUser();
    ImportConsist("Test train");
    const std::string asset = "<kuid:" + std::to_string(kUserId) + ":1>";
    const std::string opened = "+ " + asset + " : kuid " + std::to_string(kUserId) + " 1\n" + Summary(0);
    // The consist's car <kuid:3:100> is not installed: M (missing
    // dependencies) stays set; the user's own asset counts as locally
    // modified (L).
    const std::string closedStatus = "+ " + asset + " : eIadLMf : CN : Test train\n" + Summary(0);
    const std::string openStatus = "+ " + asset + " : EIadLMf : CN : Test train\n" + Summary(0);
    const Row rows[] = {
        {{"status", asset}, 0, closedStatus, {21}},
        {{"printconfig", asset}, 0, "", {20}, {},
         {"+ Start of " + asset + " dump\n", "kind", "\"consist\"", "username", "\"Test train\"", "consist-list",
          "car-kuid", "<kuid:3:100>", "kuid-table", "+ End of " + asset + " dump\n" + Summary(0)}},
        // The daemon starts the installation's command host, which runs the
        // validation: the consist that importconsists made passes the
        // shipped schema.
        {{"validate", asset}, 0, Summary(0), {30, 21, 38}},
    };
    for (const Row& row : rows) Check(row);

    // The working copy that edit opens is what commit keeps and revert
    // throws away.
    const std::string working = installed.Root() + "/UserData/editing/kuid " + std::to_string(kUserId) + " 1/config.txt";
    const auto rename = [&](const std::string& from, const std::string& to) {
        std::string config = InstalledProgram::ReadFile(working);
        const std::size_t at = config.find(from);
        ASSERT_NE(at, std::string::npos) << config;
        InstalledProgram::WriteFile(working, config.replace(at, from.size(), to));
    };
    Check({{"edit", asset}, 0, opened, {30}});
    Check({{"status", asset}, 0, openStatus, {21}});
    rename("Test train", "Renamed train");
    Check({{"commit", asset}, 0, Summary(0), {30, 34}});
    Check({{"status", asset}, 0, "+ " + asset + " : eIadLMf : CN : Renamed train\n" + Summary(0), {21}});
    Check({{"edit", asset}, 0, opened, {30}});
    rename("Renamed train", "Thrown away");
    Check({{"revert", asset}, 0, Summary(0), {30, 33}});
    Check({{"status", asset}, 0, "+ " + asset + " : eIadLMf : CN : Renamed train\n" + Summary(0), {21}});

    const Row later[] = {
        {{"generatekuid"}, 0, "<KUID2:" + std::to_string(kUserId) + ":2:0>\n" + Summary(0), {58}},
        {{"delete", asset}, 0, Summary(0), {36}},
        {{"status", asset}, 255, Failure("Unknown AssetID.", asset), {21}},
        {{"delete", asset}, 255, Failure("Unknown AssetID.", asset), {36, 21}},
    };
    for (const Row& row : later) Check(row);
}

// A consist list with trains 0 and 2 imports train 0 only; a second run
// finds the consist by its name and makes nothing.
TEST_F(CommandTable, ImportConsistsMakesEachTrainOnce) {
    RegisterUser();
    InstalledProgram::WriteFile(installed.Elsewhere() + "/trains.txt",
                                "train-0\n{\n name \"First\"\n list\n {\n  car-0 <kuid:3:100>\n }\n}\n"
                                "train-2\n{\n name \"Third\"\n list\n {\n }\n}\n");
    const std::string consist = "<kuid:" + std::to_string(kUserId) + ":1>";
    struct Case {
        Row row;
        int creates;  // operations 35 sent
    };
    const Case cases[] = {
        {{{"importconsists", "trains.txt"}, 0, Summary(0), {2, 35, 34}}, 1},
        {{{"ImportConsists", "TRAINS.TXT"}, 0, Summary(0), {2}, {35, 34}}, 0},
        {{{"searchbycategory", "cn"}, 0,
          "+ 1 : assets matching the specified criteria\n+ #0 : " + consist + "\n" + Summary(0), {2}},
         0},
        {{{"importconsists", "missing.txt"}, 255, Failure("Invalid input path."), {}, {2, 35}}, 0},
    };
    for (const Case& c : cases) {
        Check(c.row);
        EXPECT_EQ(CountOf(installed.ReceivedOperations(), 35), c.creates) << c.row.arguments[1];
    }
}

// On a fresh installation the daemon has no user id to make KUIDs in: both
// words that need a new KUID say so and fail. Its settings file or its
// option gives it one.
TEST_F(CommandTable, NewKuidsNeedTheDaemonsUserId) {
    InstalledProgram::WriteFile(installed.Elsewhere() + "/trains.txt",
                                "train-0\n{\n name \"First\"\n list\n {\n  car-0 <kuid:3:100>\n }\n}\n");
    const std::string noUserId =
        "- <NULL> : No KUID can be made: the daemon has no user id. Set \"user-id\" in UserData/vaddaemon.txt (or "
        "VADDAEMON_USER_ID) to the user's number.\n";
    Check({{"generatekuid"}, 255, "<KUID2:-1:4294967295:127>\n" + noUserId + Summary(1), {58}});
    Check({{"importconsists", "trains.txt"},
           255,
           noUserId + Failure("Unable to create a consist asset for the train \"First\".", "<NULL>", 2),
           {2, 35},
           {34}});
    installed.StopDaemons();

    // The environment option, then the settings file (read when the daemon
    // starts).
    Check({{"generatekuid"}, 0, "<KUID2:77:1:0>\n" + Summary(0), {58}}, {"VADDAEMON_USER_ID=77"});
    installed.StopDaemons();
    InstalledProgram::WriteFile(installed.Root() + "/UserData/vaddaemon.txt", "user-id 523401\n");
    Check({{"generatekuid"}, 0, "<KUID2:523401:1:0>\n" + Summary(0), {58}});
    Check({{"importconsists", "trains.txt"}, 0, Summary(0), {2, 35, 34}});
    EXPECT_TRUE(std::filesystem::exists(installed.Root() + "/UserData/local/kuid 523401 2"));
}

TEST_F(CommandTable, ListBuildsWritesTheInstalledBuildsIntoTheProgramFolder) {
    Check({{"listbuilds", "Builds.TXT"}, 0, Summary(0), {253}});
    EXPECT_EQ(InstalledProgram::ReadFile(installed.Root() + "/bin/builds.txt"), "47059\n");
}

TEST_F(CommandTable, RepairDatabaseTakesEachModeWordAndRefusesAnUnknownOne) {
    const std::string repairing = "Repairing asset database (this may take some time)\n";
    const std::string checked = "; <NULL> : The asset database was checked (0 items).\n" + Summary(0);
    const Row rows[] = {
        {{"repairdatabase"}, 0, repairing + checked, {3}, {256}},
        {{"repairdatabase", "Extended"}, 0, repairing + checked, {3}, {256}},
        {{"repairdatabase", "base"}, 0, repairing + checked, {3}, {256}},
        // The patcher's repair says nothing itself and tells the daemon
        // when it is done.
        {{"repairdatabase", "PATCHER"}, 0, checked, {3, 256}},
        {{"repairdatabase", "full"}, 255, Failure("Unknown parameter."), {}, {3, 256}},
    };
    for (const Row& row : rows) Check(row);
}

// A database file that does not open (its header damaged) or whose pages
// are damaged is no dead end: every word says why it cannot be used, and
// repairdatabase keeps the file aside, makes a new one and takes the asset
// folders up into it.
TEST_F(CommandTable, ADamagedDatabaseIsReportedAndRepairMakesItAgain) {
    const std::string database = installed.Root() + "/UserData/assets.vdx";
    // Overwrites `length` bytes at `at` in the database file.
    const auto damage = [&](std::size_t at, std::size_t length) {
        std::string bytes = InstalledProgram::ReadFile(database);
        ASSERT_GE(bytes.size(), at + length);
        bytes.replace(at, length, std::string(length, '\x55'));
        std::ofstream(database, std::ios::binary | std::ios::trunc) << bytes;
    };
    const Row statusShown = {{"status", "<kuid:77:13>"}, 0, "+ <kuid:77:13> : eIadlmf : CMP;MESH : Mesh C\n" + Summary(0),
                             {21}};
    const std::string repairing = "Repairing asset database (this may take some time)\n";
    struct Case {
        const char* what;
        std::size_t page;   // the first page damaged (of 4096 bytes)
        std::size_t bytes;  // bytes damaged at the start of it and of every later page but the last
        std::string reason;
    };
    const Case cases[] = {
        {"header", 0, 16, "file is not a database"},
        {"interior pages", 2, 12, "btreeInitPage() returns error code 11"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        InstallAssetFolders();
        // The daemon ends by itself, so its journal is folded into the file.
        Check({{"closevaddaemon"}, 0, Summary(0), {270}});
        const std::size_t pages = InstalledProgram::ReadFile(database).size() / 4096;
        ASSERT_GT(pages, c.page + 1);
        for (std::size_t page = c.page; page == c.page || (c.page > 0 && page + 1 < pages); ++page)
            ASSERT_NO_FATAL_FAILURE(damage(page * 4096, c.bytes));
        if (c.page == 0)
            Check({{"status", "<kuid:77:13>"},
                   255,
                   "",
                   {21},
                   {},
                   {"The asset database cannot be opened: not an asset database: file is not a database. "
                    "\"repairdatabase\" keeps it aside and makes a new one.\n",
                    Summary(2)}});
        Check({{"repairdatabase"},
               0,
               "",
               {3, 4},
               {},
               {repairing, "! <NULL> : The asset database was damaged (", c.reason, "); it was kept as ",
                "assets.vdx.damaged and a new one was made. Settings kept: ",
                "; <kuid:77:13> : The asset's folder was taken up into the database.\n",
                "The asset database was checked (3 items).\n", Summary(0, 1)}});
        EXPECT_TRUE(std::filesystem::exists(database + ".damaged"));
        Check(statusShown);
        // The new database is whole: a second repair finds nothing to do.
        Check({{"repairdatabase"}, 0, repairing + "; <NULL> : The asset database was checked (6 items).\n" + Summary(0),
               {3}});
        installed.StopDaemons();
        for (const char* left : {"/UserData/local", "/UserData/editing", "/UserData/assets.vdx",
                                 "/UserData/assets.vdx-wal", "/UserData/assets.vdx-shm", "/UserData/assets.vdx.damaged"})
            std::filesystem::remove_all(installed.Root() + left);
    }
}

TEST_F(CommandTable, CloseVADDaemonShutsTheDaemonDown) {
    Check({{"echo"}, 0, "\n" + Summary(0), {}});
    Check({{"closevaddaemon"}, 0, Summary(0), {270}});
    // The next command finds no daemon and starts a new one, whose
    // connections are numbered from 1 again.
    Check({{"echo"}, 0, "\n" + Summary(0), {}});
    EXPECT_EQ(installed.Transcript().rfind("c1 hello", 0), 0u) << installed.Transcript();
}

// A link the daemon drops is made again by the next request: start-up's
// settings question (operation 102) loses its link, and status still finds
// the asset over a second link.
TEST_F(CommandTable, ARequestAfterADroppedLinkConnectsAgain) {
    InstallAssetFolders();
    installed.StopDaemons();
    const std::string scenario = "rules\n{\n 0\n {\n  op 102\n  times 1\n  action \"drop-link\"\n }\n}\n";
    Check({{"status", "<kuid:77:13>"}, 0, "+ <kuid:77:13> : eIadlmf : CMP;MESH : Mesh C\n" + Summary(0), {102, 21}},
          {installed.UseScenario(scenario)});
    EXPECT_NE(installed.Transcript().find("c2 hello"), std::string::npos) << installed.Transcript();
    installed.StopDaemons();
}

// registeraccount writes back only settings it could read: a stored soup
// that does not read (nested deeper than a reader accepts) fails the word
// and nothing is written; on a fresh installation (no soup stored) it
// starts from an empty soup.
TEST_F(CommandTable, RegisterAccountWritesNothingWhenTheStoredSettingsDoNotRead) {
    // The body: 1100 nested unnamed containers, built from the inside out.
    std::vector<uint8_t> body;
    for (int level = 0; level < 1100; ++level) {
        const uint32_t length = static_cast<uint32_t>(body.size() + 2);
        std::vector<uint8_t> entry = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                                      static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24), 0, 0};
        entry.insert(entry.end(), body.begin(), body.end());
        body.swap(entry);
    }
    const uint32_t size = static_cast<uint32_t>(body.size());
    std::vector<uint8_t> soup = {'A', 'C', 'S', '$', 1, 0, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(size),
                                 static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size >> 16),
                                 static_cast<uint8_t>(size >> 24)};
    soup.insert(soup.end(), body.begin(), body.end());
    installed.StopDaemons();
    const std::string scenario =
        "rules\n{\n 0\n {\n  op 100\n  times 1\n  reply\n  {\n   0 \"hex " + HexOf(soup) + "\"\n  }\n }\n}\n";
    Check({{"registeraccount", "Tester", "secret"}, 255, Failure("Unable to read internet settings."), {100}, {101}},
          {installed.UseScenario(scenario)});
    installed.StopDaemons();
    Check({{"registeraccount", "Tester", "secret"}, 0, Summary(0), {100, 101}});
}

// A write the daemon's store refuses fails the word with the store's reason,
// instead of reporting success with nothing stored.
TEST_F(CommandTable, RegisterAccountFailsWhenTheStoreRefusesTheWrite) {
    installed.StopDaemons();
    Check({{"registeraccount", "carol", "pw"},
           255,
           "- <NULL> : The settings \"internet\" could not be stored: attempt to write a readonly database.\n" +
               Failure("Unable to write internet settings.", "<NULL>", 2),
           {100, 101}},
          {installed.UseScenario("read-only-store 1\n")});
    installed.StopDaemons();
    // The same word against a store that takes the write.
    Check({{"registeraccount", "carol", "pw"}, 0, Summary(0), {100, 101}});
}

// The reply to a settings write is left open: a daemon that answers with
// nothing, or with more than the stand-in's byte, has stored the soup. Only
// the single byte 0 (a refusal) and a link lost before the reply fail.
TEST_F(CommandTable, RegisterAccountTakesAnyReplyToTheWriteButARefusal) {
    const auto replying = [](const std::string& items) {
        return "rules\n{\n 0\n {\n  op 101\n  times 1\n" + items + " }\n}\n";
    };
    const std::string unableToWrite = "- <NULL> : Unable to write internet settings.\n";
    struct Case {
        std::string scenario;
        Row row;
    };
    const Case cases[] = {
        {replying(""), {{"registeraccount", "carol", "pw"}, 0, Summary(0), {100, 101}}},
        {replying("  reply\n  {\n   0 \"byte 0\"\n   1 \"byte 0\"\n  }\n"),
         {{"registeraccount", "carol", "pw"}, 0, Summary(0), {100, 101}}},
        {replying("  reply\n  {\n   0 \"byte 0\"\n  }\n"),
         {{"registeraccount", "carol", "pw"}, 255, unableToWrite + Summary(1), {100, 101}}},
        {replying("  action \"drop-link\"\n"),
         {{"registeraccount", "carol", "pw"},
          255,
          unableToWrite + "- <NULL> : The link to the daemon was lost while waiting for its reply to operation 101.\n" +
              Summary(2),
          {100, 101}}},
    };
    for (const Case& c : cases) {
        installed.StopDaemons();
        Check(c.row, {installed.UseScenario(c.scenario)});
    }
    installed.StopDaemons();
}

TEST_F(CommandTable, InstallFromPathTakesOneAssetFolderOrEveryAssetFolderBelow) {
    WriteAssetFolders();
    const std::string installedA = "; <kuid:523401:11> : Installed <kuid:523401:11>.\n";
    const std::string installedB = "; <kuid:523401:12> : Installed <kuid:523401:12>.\n";
    const std::string installedC = "; <kuid:77:13> : Installed <kuid:77:13>.\n";
    struct Case {
        Row row;
        int installs;  // operations 39 sent
    };
    const Case cases[] = {
        {{{"installfrompath", "pack/a"}, 0, installedA + Summary(0), {39}}, 1},
        // A folder with a configuration is one asset: its subfolders are
        // not looked into.
        // One of them is refused: not everything asked was done.
        {{{"installfrompath", "Pack"}, 255,
          "- <kuid:523401:11> : The asset is already in the database.\n" + installedB + installedC + Summary(1),
          {39, 39, 39}},
         3},
        {{{"installfrompath", "pack/c"}, 255,
          "- <kuid:77:13> : The asset is already in the database.\n" + Summary(1), {39}},
         1},
        {{{"installfrompath", "nowhere"}, 255, Failure("Invalid input path."), {}, {39}}, 0},
        {{{"status", "<kuid:77:13>"}, 0, "+ <kuid:77:13> : eIadlmf : CMP;MESH : Mesh C\n" + Summary(0), {21}}, 0},
    };
    for (const Case& c : cases) {
        Check(c.row);
        EXPECT_EQ(CountOf(installed.ReceivedOperations(), 39), c.installs) << c.row.arguments[1];
    }
}

// A word that fails says why, even where its requests carry no log (the
// open of commit and revert, revert and delete themselves): the reason is
// read from the daemon's record of the asset. Paths that name no archive or
// no asset folder are named as such, and a store that refuses the commit
// gives its cause.
TEST_F(CommandTable, AFailedWordSaysWhy) {
    InstallAssetFolders();
    std::filesystem::create_directories(installed.Elsewhere() + "/empty/sub");
    ASSERT_EQ(::mkfifo((installed.Elsewhere() + "/pipe.cdp").c_str(), 0600), 0);
    const std::string unknown = Failure("Unknown AssetID.", "<kuid:9:9>");
    const std::string archive = "- <NULL> : The archive \"";
    const Row rows[] = {
        {{"installfrompath", "pack/c/mesh.im"}, 255, Failure("The input path is not a folder."), {}, {39}},
        {{"installfrompath", "empty"},
         255,
         Failure("No asset was found in the input folder: neither it nor a folder below it holds \"config.txt\" or "
                 "\"config.chump\"."),
         {},
         {39}},
        {{"commit", "<kuid:9:9>"}, 255, unknown, {30, 21}, {34}},
        {{"revert", "<kuid:9:9>"}, 255, unknown, {30, 21}, {33}},
        {{"delete", "<kuid:9:9>"}, 255, unknown, {36, 21}},
        {{"revert", "<kuid:77:13>"}, 255, Failure("The asset is not open for editing.", "<kuid:77:13>"), {30, 33, 21}},
        {{"installcdp", "missing.cdp"}, 255, "", {40}, {}, {archive, "/missing.cdp\" does not exist.\n", Summary(1)}},
        {{"installcdp", "pack"}, 255, "", {40}, {}, {archive, "/pack\" is not a file.\n", Summary(1)}},
        {{"installcdp", "pipe.cdp"}, 255, "", {40}, {}, {archive, "/pipe.cdp\" is not a file.\n", Summary(1)}},
    };
    for (const Row& row : rows) Check(row);

    // A store that refuses every write (as a full disk does) fails the
    // commit with SQLite's cause, in the word's line and in the daemon's own
    // line on the failed store; the edit stays open.
    Check({{"edit", "<kuid:77:13>"}, 0, "", {30}, {}, {"+ <kuid:77:13> : ", Summary(0)}});
    installed.StopDaemons();
    Check({{"commit", "<kuid:77:13>"},
           255,
           "",
           {30, 34},
           {},
           {"- <kuid:77:13> : The database could not be updated: attempt to write a readonly database.\n",
            "- <NULL> : The asset database ", "/assets.vdx failed: attempt to write a readonly database.\n", Summary(2)}},
          {installed.UseScenario("read-only-store 1\n")});
    installed.StopDaemons();
    Check({{"commit", "<kuid:77:13>"}, 0, Summary(0), {30, 34}});
}

// A word whose request failed or was refused exits with a failure, judged
// by the request's result: the daemon drops the link on the word's request.
TEST_F(CommandTable, AWordWhoseRequestFailedDoesNotReportSuccess) {
    const auto dropping = [](int op) {
        return "rules\n{\n 0\n {\n  op " + std::to_string(op) + "\n  times 1\n  action \"drop-link\"\n }\n}\n";
    };
    Check({{"listbuilds", "builds.txt"}, 0, Summary(0), {253}});
    struct Case {
        Row row;
        int droppedOp;
    };
    const auto lost = [](int op) {
        return "- <NULL> : The link to the daemon was lost while waiting for its reply to operation " +
               std::to_string(op) + ".\n";
    };
    const Case cases[] = {
        // No file is written; the earlier one stays.
        {{{"listbuilds", "builds.txt"}, 255, "- <NULL> : Unable to read the installed builds.\n" + lost(253) + Summary(2),
          {253}},
         253},
        {{{"repairdatabase"}, 255,
          "Repairing asset database (this may take some time)\n- <NULL> : Unable to start the database repair.\n" +
              lost(3) + Summary(2),
          {3, 4}},
         3},
        {{{"installfrompath", "pack/a"}, 255, lost(39) + Summary(1), {39}}, 39},
    };
    WriteAssetFolders();
    for (const Case& c : cases) {
        installed.StopDaemons();
        Check(c.row, {installed.UseScenario(dropping(c.droppedOp))});
    }
    installed.StopDaemons();
    EXPECT_EQ(InstalledProgram::ReadFile(installed.Root() + "/bin/builds.txt"), "47059\n");
}

// A request whose link is lost, whose reply is empty, or whose reply never
// comes fails its word with a line that says so. A daemon that ends in the
// middle of an archive install has sent the line of each asset it
// installed; a daemon that never answers is given up after the inactivity
// bound.
TEST_F(CommandTable, ALostLinkAnEmptyReplyOrASilentDaemonFailsTheWordAndSaysSo) {
    InstallAssetFolders();
    Check({{"createcdp", "Pack.cdp", "<kuid:77:13>", "<kuid:523401:11>"}, 0, Summary(0), {48, 48}});
    Check({{"delete", "<kuid:77:13>"}, 0, Summary(0), {36}});
    Check({{"delete", "<kuid:523401:11>"}, 0, Summary(0), {36}});
    installed.StopDaemons();
    const std::string local = installed.Root() + "/UserData/local/";
    // Steps 1 to 3 install the first asset; the daemon ends after staging
    // the second.
    Check({{"installcdp", "../bin/pack.cdp"},
           255,
           "; <kuid:77:13> : Installed <kuid:77:13>.\n- <NULL> : The link to the daemon was lost while waiting for its "
           "reply to operation 40.\n" +
               Summary(1),
           {40}},
          {"VADDAEMON_CRASH_AFTER_STEP=4"});
    EXPECT_TRUE(std::filesystem::exists(local + "kuid 77 13/mesh.im"));
    EXPECT_FALSE(std::filesystem::exists(local + "kuid 523401 11"));
    installed.StopDaemons();

    const auto rule = [](int op, const std::string& action) {
        return "rules\n{\n 0\n {\n  op " + std::to_string(op) + "\n  times 1\n  action \"" + action +
               "\"\n }\n}\n";
    };
    struct Case {
        Row row;
        std::string scenario;
    };
    const Case cases[] = {
        {{{"installfrompath", "pack/a"}, 255, Failure("The daemon's reply to operation 39 was empty."), {39}},
         rule(39, "reply")},
        {{{"installfrompath", "pack/a"},
          255,
          Failure("The daemon sent nothing for 1 s while waiting for its reply to operation 39; gave up waiting."),
          {39}},
         rule(39, "drop-reply")},
        {{{"status", "<kuid:77:13>"},
          255,
          "- <kuid:77:13> : Unknown AssetID.\n" +
              Failure("The daemon sent nothing for 1 s while waiting for its reply to operation 21; gave up waiting.",
                      "<NULL>", 2),
          {21}},
         rule(21, "drop-reply")},
        {{{"authors"},
          255,
          "",
          {2, 21, 90},
          {},
          {"The link to the daemon was lost while waiting for its reply to operation 90.\n", Summary(1)}},
         rule(90, "drop-link")},
        {{{"authors"}, 255, "", {2, 21, 90}, {}, {"The daemon's reply to operation 90 was empty.\n", Summary(1)}},
         rule(90, "reply")},
    };
    for (const Case& c : cases) {
        Check(c.row, {installed.UseScenario(c.scenario), "VORLEX_INACTIVITY_MS=500"});
        installed.StopDaemons();
    }
    EXPECT_FALSE(std::filesystem::exists(local + "kuid 523401 11")) << "the empty and unanswered installs did nothing";
}

// A notice of 13 bytes that announces a million log lines of the daemon's
// own (transaction 0) is cut to what one notice may add, with one line
// that says so; the word's request is answered as usual.
TEST_F(CommandTable, ANoticeOfAMillionLinesIsCutToItsBound) {
    InstallAssetFolders();
    installed.StopDaemons();
    const std::string scenario =
        "rules\n{\n 0\n {\n  op 21\n  times 1\n  action \"carry\"\n  notices\n  {\n   0\n   {\n    type 3\n"
        "    payload\n    {\n     0 \"int32 0\"\n     1 \"int32 0\"\n     2 \"int32 1000000\"\n     3 \"byte 0\"\n"
        "    }\n   }\n  }\n }\n}\n";
    Check({{"status", "<kuid:77:13>"},
           255,
           "+ <kuid:77:13> : eIadlmf : CMP;MESH : Mesh C\n- <NULL> : The daemon sent 900000 more log lines in one "
           "notice than are kept (at most 100000 lines and 16 MiB of text); they were dropped.\n" +
               Summary(1),
           {21}},
          {installed.UseScenario(scenario)});
    installed.StopDaemons();
}

// A scenario rule that answers the first two asset-info requests (the
// install's look at the asked asset and at the search's result) with a
// record of `kuid` that the daemon knows from the download service but has
// not installed (status A bit 6 only).
std::string NotInstalledRecordRule(const std::string& kuid) {
    std::string items = "  0 \"kuid " + kuid + "\"\n  1 \"string Mesh\"\n  2 \"int32 0\"\n  3 \"int32 0\"\n";
    int index = 4;
    const auto item = [&](const std::string& text) { items += "  " + std::to_string(index++) + " \"" + text + "\"\n"; };
    for (int bit = 0; bit < 8; ++bit) item(bit == 6 ? "byte 1" : "byte 0");
    for (int bit = 0; bit < 11; ++bit) item("byte 0");
    for (const char* text : {"int32 0", "int32 0", "int32 0", "int32 -1", "int32 0", "int32 0", "byte 0", "byte 0",
                             "byte 0", "int32 255", "float 3.5", "int64 0", "int64 0", "kuid <kuid2:-1:-1:127>",
                             "byte 1"})
        item(text);
    return " 0\n {\n  op 21\n  times 2\n  reply\n  {\n" + items + "  }\n }\n";
}

// installfromfpx succeeds when the newest version is installed at the end,
// whether it installed it or found it there; a search the download service
// does not answer fails it. The stand-in serves the search page and the
// archive from files named in its scenario.
TEST_F(CommandTable, InstallFromFpxSucceedsWhenTheNewestVersionEndsUpInstalled) {
    InstallAssetFolders();
    Check({{"createcdp", "c.cdp", "<kuid:77:13>"}, 0, Summary(0), {48}});
    Check({{"delete", "<kuid:77:13>"}, 0, Summary(0), {36}});
    const std::string search = installed.Elsewhere() + "/search.txt";
    InstalledProgram::WriteFile(search, "0\n{\n requires <kuid:77:13>\n latest-version <kuid:77:13>\n"
                                        " latest-version-path \"https://dl.test/c.cdp\"\n latest-version-size 100\n}\n");
    const std::string urls =
        "urls\n{\n 0\n {\n  url \"https://fetchport.vorlex.invalid/vorlex/FPXT_Search_Text.php?Banners=1&"
        "SearchCriteria=77:13&textsearchID=1&DependencyLevel=5\"\n  file \"" +
        search + "\"\n }\n 1\n {\n  url \"https://dl.test/c.cdp\"\n  file \"" + installed.Root() +
        "/bin/c.cdp\"\n }\n}\n";
    struct Case {
        std::string scenario;
        Row row;
    };
    const Case cases[] = {
        {urls + "rules\n{\n" + NotInstalledRecordRule("<kuid:77:13>") + "}\n",
         {{"installfromfpx", "<kuid:77:13>"}, 0, "; <kuid:77:13> : Installed <kuid:77:13>.\n" + Summary(0),
          {27, 21, 230, 74, 21, 230, 40, 27, 21}}},
        {urls, {{"status", "<kuid:77:13>"}, 0, "+ <kuid:77:13> : eIadlmf : CMP;MESH : Mesh C\n" + Summary(0), {21}}},
        // Already installed: nothing to do, and done.
        {urls, {{"installfromfpx", "<kuid:77:13>"}, 0, Summary(0), {27, 21}, {230, 40}}},
        // The service has no page for it.
        {urls + "rules\n{\n" + NotInstalledRecordRule("<kuid:9:9>") + "}\n",
         {{"installfromfpx", "<kuid:9:9>"}, 255, Failure("Failed to query FPX for <kuid:9:9>"), {27, 21, 230}, {40}}},
        // Unknown to the daemon: nothing is fetched, and nothing is installed.
        {urls, {{"installfromfpx", "<kuid:9:9>"}, 255, Failure("The asset was not installed.", "<kuid:9:9>"), {27}, {230}}},
    };
    for (const Case& c : cases) {
        installed.StopDaemons();
        Check(c.row, {installed.UseScenario(c.scenario)});
    }
    installed.StopDaemons();
}

// A URL request the daemon starts but never finishes, the link staying up:
// installfromfpx gives up after the inactivity bound (shortened here).
TEST_F(CommandTable, InstallFromFpxGivesUpOnAUrlRequestThatNeverEnds) {
    const std::string scenario = "rules\n{\n" + NotInstalledRecordRule("<kuid:9:9>") +
                                 " 1\n {\n  op 230\n  reply\n  {\n   0 \"int64 77\"\n   1 \"byte 0\"\n"
                                 "   2 \"int32 0\"\n   3 \"int32 0\"\n   4 \"int32 0\"\n   5 \"int32 0\"\n"
                                 "   6 \"int32 0\"\n  }\n }\n}\n";
    installed.StopDaemons();
    Check({{"installfromfpx", "<kuid:9:9>"}, 255,
           "- <NULL> : The daemon reported nothing on a download-service request for 1 s; gave up waiting.\n"
           "- <NULL> : Failed to query FPX for <kuid:9:9>\n" + Summary(2),
           {27, 21, 230, 231}, {40}},
          {installed.UseScenario(scenario), "VORLEX_INACTIVITY_MS=500"});
    installed.StopDaemons();
}

TEST_F(CommandTable, SearchByCategoryMatchesThePatternAmongLocalOrAllAssets) {
    InstallAssetFolders();
    const std::string found =
        "+ 2 : assets matching the specified criteria\n+ #0 : <kuid:77:13>\n+ #1 : <kuid:523401:11>\n" + Summary(0);
    const Row rows[] = {
        {{"searchbycategory", "cmp;mesh|bd;-actv|ve|scen"}, 0, found, {2}},
        {{"searchbycategory", "-a", "cmp;mesh|bd;-actv|ve|scen"}, 0, found, {2}},
        {{"searchbycategory", "BD"}, 0,
         "+ 2 : assets matching the specified criteria\n+ #0 : <kuid:523401:11>\n+ #1 : <kuid:523401:12>\n" +
             Summary(0),
         {2}},
        // Nothing matches: no message, only the result.
        {{"searchbycategory", "VE"}, 255, Summary(0), {2}},
        {{"searchbycategory", "-a", "VE"}, 255, Summary(0), {2}},
    };
    for (const Row& row : rows) Check(row);
}

// Authors come sorted, each once, in the user-name cache's lower-cased
// form: the scenario names the first author looked up (<kuid:77:13>'s)
// "Zoe"; the registered user's two assets name "Tester".
TEST_F(CommandTable, AuthorsAreListedSortedAndOnce) {
    RegisterUser();
    InstallAssetFolders();
    installed.StopDaemons();
    const std::string scenario =
        "rules\n{\n 0\n {\n  op 90\n  times 1\n  reply\n  {\n   0 \"int32 -1\"\n   1 \"pstring Zoe\"\n  }\n }\n}\n";
    Check({{"authors"}, 0, "tester\nzoe\n" + Summary(0), {2, 21, 90, 21, 90, 21}}, {installed.UseScenario(scenario)});
    EXPECT_EQ(CountOf(installed.ReceivedOperations(), 90), 2) << "one look-up per user";
    installed.StopDaemons();
}

// A daemon that stops answering part-way through a word costs the word one
// inactivity bound, not one per request: the stand-in answers the search
// but no asset-info request, and after the first gives up `authors` asks
// nothing more.
TEST_F(CommandTable, ASilentDaemonCostsAWordOneBound) {
    RegisterUser();
    InstallAssetFolders();
    installed.StopDaemons();
    const std::string scenario = "rules\n{\n 0\n {\n  op 21\n  action \"drop-reply\"\n }\n}\n";
    Check({{"authors"},
           255,
           Failure("The daemon sent nothing for 10 s while waiting for its reply to operation 21; gave up waiting."),
           {2, 21},
           {90}},
          {installed.UseScenario(scenario), "VORLEX_INACTIVITY_MS=10000"});
    // One bound per request would send three asset-info requests, each
    // waited for; a word that gives up once sends only the first.
    EXPECT_EQ(CountOf(installed.ReceivedOperations(), 21), 1) << "three local assets, one asset-info request";
    installed.StopDaemons();
}

TEST_F(CommandTable, KeywordsAreImportedFromTheDumpAndBackedUp) {
    InstallAssetFolders();
    Check({{"importkeywords"}, 255, Failure("Unable to read " + installed.Root() + "/KeywordsDump.dat."), {}, {54}});
    InstalledProgram::WriteFile(installed.Root() + "/KeywordsDump.dat",
                                "<kuid:77:13> \"red;blue\"\nkuid2:523401:11:0 \"tall\"\n");
    Check({{"importkeywords", "ignored"}, 0, Summary(0), {54, 54}});
    Check({{"backupkeywords", "Saved.TXT"}, 0, Summary(0), {2}});
    const std::string saved = InstalledProgram::ReadFile(installed.Root() + "/bin/saved.txt");
    EXPECT_NE(saved.find("<kuid:77:13>                            \"red;blue\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("<kuid:523401:11>                        \"tall\""), std::string::npos) << saved;
    Check({{"backupkeywords"}, 0, Summary(0), {2}});
    EXPECT_TRUE(std::filesystem::exists(installed.Root() + "/bin/KeywordsBackup.dat"));
}

// An archive written by createcdp installs its assets again, data files
// included, after they were deleted.
TEST_F(CommandTable, CreateCdpWritesAnArchiveThatInstallCdpInstallsAgain) {
    InstallAssetFolders();
    // The output name keeps its letter case; the install finds it through
    // the case-insensitive file layer.
    const std::string archive = installed.Root() + "/bin/Pack.cdp";
    const Row rows[] = {
        // The output path is taken against the program folder.
        {{"createcdp", "Pack.cdp", "<kuid:77:13>", "<KUID:523401:11>"}, 0, Summary(0), {21, 48, 21, 48}},
        {{"createcdp", "none.cdp", "<kuid:523401:11>", "<kuid:9:9>"}, 255, Failure("Asset is not local.", "<kuid:9:9>"),
         {48, 21}},
        // createcdp parses its KUIDs leniently: "9:9" is a KUID, "junk" none.
        {{"createcdp", "none.cdp", "9:9"}, 255, Failure("Asset is not local.", "<kuid:9:9>"), {21}, {48}},
        {{"createcdp", "none.cdp", "junk"}, 255, Failure("Invalid AssetID."), {}, {21, 48}},
        {{"delete", "<kuid:77:13>"}, 0, Summary(0), {36}},
        {{"delete", "<kuid:523401:11>"}, 0, Summary(0), {36}},
        {{"installcdp", "../bin/pack.cdp"}, 0,
         "; <kuid:77:13> : Installed <kuid:77:13>.\n; <kuid:523401:11> : Installed <kuid:523401:11>.\n" + Summary(0),
         {40}},
        {{"status", "<kuid:77:13>"}, 0, "+ <kuid:77:13> : eIadlmf : CMP;MESH : Mesh C\n" + Summary(0), {21}},
        {{"installcdp", "missing.cdp"}, 255, "", {40}, {},
         {"- <NULL> : The archive \"", "/missing.cdp\" does not exist.\n", Summary(1)}},
    };
    for (const Row& row : rows) Check(row);
    EXPECT_TRUE(std::filesystem::exists(archive));
    EXPECT_FALSE(std::filesystem::exists(installed.Root() + "/bin/none.cdp"));
    EXPECT_EQ(InstalledProgram::ReadFile(installed.Root() + "/UserData/local/kuid 77 13/mesh.im"), "mesh data\n");
}

// A round trip through an archive keeps only the files an archive install
// writes. The words that still hold the others name each of them as a
// warning (and succeed); the install from the archive stays silent.
TEST_F(CommandTable, TheWordsBeforeAnArchiveNameTheFilesItsInstallLeavesOut) {
    const std::string folder = installed.Elsewhere() + "/kept";
    std::filesystem::create_directories(folder + "/.cache");
    InstalledProgram::WriteFile(folder + "/config.txt",
                                "kuid <kuid:523401:31>\nkind \"scenery\"\nusername \"Kept\"\ncategory-class \"BD\"\n");
    for (const char* name : {"notes.txt", "data.bin", "picture.png", ".cache/x.txt"})
        InstalledProgram::WriteFile(folder + "/" + name, name);
    const std::string asset = "<kuid:523401:31>";
    const auto warning = [&](const std::string& path, const char* reason) {
        return "! " + asset + " : The file \"" + path +
               "\" is left out when the asset is installed from an archive: " + reason +
               " is not one an archive install writes.\n";
    };
    const std::string warnings = warning(".cache/x.txt", "a name on its path") + warning("data.bin", "its file type") +
                                 warning("picture.png", "its file type");
    const std::string installedLine = "; " + asset + " : Installed " + asset + ".\n";
    const Row rows[] = {
        {{"installfrompath", "kept"}, 0, installedLine + warnings + Summary(0, 3), {39}},
        {{"createcdp", "kept.cdp", asset}, 0, warnings + Summary(0, 3), {21, 48}},
        {{"delete", asset}, 0, Summary(0), {36}},
        {{"installcdp", "../bin/kept.cdp"}, 0, installedLine + Summary(0), {40}},
        {{"status", asset}, 0, "+ " + asset + " : eIadlmf : BD : Kept\n" + Summary(0), {21}},
    };
    for (const Row& row : rows) Check(row);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(installed.Root() + "/UserData/local/kuid 523401 31"))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"config.chump", "notes.txt"}));
    // The folder the user installed from keeps everything.
    EXPECT_EQ(InstalledProgram::ReadFile(folder + "/data.bin"), "data.bin");
}

// The path of installfrompath and installcdp is used as typed when it
// exists so: a sibling that differs only in letter case is not taken for
// it. A path that does not exist as written finds the first name in byte
// order that matches in another case.
TEST_F(CommandTable, InstallPathsThatExistAsTypedAreTakenAsTyped) {
    const std::string elsewhere = installed.Elsewhere();
    const std::string upper = "<kuid:523401:41>";
    const std::string lower = "<kuid:523401:42>";
    for (const auto& [name, kuid] : {std::pair<std::string, std::string>{"Pack", upper}, {"pack", lower}}) {
        std::filesystem::create_directories(elsewhere + "/" + name);
        InstalledProgram::WriteFile(elsewhere + "/" + name + "/config.txt",
                                    "kuid " + kuid + "\nkind \"scenery\"\nusername \"" + name + "\"\n");
    }
    const auto installedLine = [](const std::string& kuid) { return "; " + kuid + " : Installed " + kuid + ".\n"; };
    const auto refused = [](const std::string& kuid) {
        return Failure("The asset is already in the database.", kuid);
    };
    const Row before[] = {
        {{"installfrompath", "Pack"}, 0, installedLine(upper) + Summary(0), {39}},
        {{"installfrompath", "PACK"}, 255, refused(upper), {39}},
        {{"installfrompath", "pack"}, 0, installedLine(lower) + Summary(0), {39}},
        {{"createcdp", "upper.cdp", upper}, 0, Summary(0), {48}},
        {{"createcdp", "lower.cdp", lower}, 0, Summary(0), {48}},
        {{"delete", upper}, 0, Summary(0), {36}},
        {{"delete", lower}, 0, Summary(0), {36}},
    };
    for (const Row& row : before) Check(row);
    std::filesystem::copy_file(installed.Root() + "/bin/upper.cdp", elsewhere + "/Water.cdp");
    std::filesystem::copy_file(installed.Root() + "/bin/lower.cdp", elsewhere + "/water.cdp");
    const Row after[] = {
        {{"installcdp", "Water.cdp"}, 0, installedLine(upper) + Summary(0), {40}},
        {{"installcdp", "WATER.CDP"}, 255, refused(upper), {40}},
        {{"installcdp", "water.cdp"}, 0, installedLine(lower) + Summary(0), {40}},
        {{"status", upper}, 0, "+ " + upper + " : eIadlmf :  : Pack\n" + Summary(0), {21}},
        {{"status", lower}, 0, "+ " + lower + " : eIadlmf :  : pack\n" + Summary(0), {21}},
    };
    for (const Row& row : after) Check(row);
}

// createcdp writes its archive beside the output and renames it into place:
// a write that fails names its cause on a line of its own and leaves what
// was there.
TEST_F(CommandTable, CreateCdpReplacesItsOutputOnlyWhenTheArchiveIsWhole) {
    InstallAssetFolders();
    const std::string bin = installed.Root() + "/bin";
    InstalledProgram::WriteFile(bin + "/pack.cdp", "earlier");
    std::filesystem::create_directories(bin + "/folder.cdp");
    const std::string cannot = "Unable to write archive file. Needs to be .cdp file extension\n";
    struct Case {
        std::string output;
        int status;
        std::string err;
    };
    const Case cases[] = {
        {"missing/new.cdp", 255, cannot + "No such file or directory\n"},
        {"folder.cdp", 255, cannot + "Is a directory\n"},
        {"Pack.cdp", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        const ProgramResult run = installed.Run({"createcdp", c.output, "<kuid:77:13>"});
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.out, Summary(0));
    }
    EXPECT_TRUE(std::filesystem::is_directory(bin + "/folder.cdp"));
    EXPECT_FALSE(std::filesystem::exists(bin + "/missing"));
    // The archive replaced the earlier file of that name (found in any
    // letter case), and no temporary file is left beside it.
    EXPECT_NE(InstalledProgram::ReadFile(bin + "/pack.cdp").find("archive"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(bin + "/Pack.cdp"));
    for (const auto& entry : std::filesystem::directory_iterator(bin))
        EXPECT_EQ(entry.path().extension().string() == ".tmp", false) << entry.path();
}

// The README's first commands: the example archive installs its asset.
TEST_F(CommandTable, TheExampleArchiveInstallsItsAsset) {
    const std::string archive = std::string(VORLEX_SOURCE_EXAMPLES_DIR) + "/water-tower.cdp";
    const std::string asset = "<kuid:523401:1001>";
    const Row rows[] = {
        {{"installcdp", archive}, 0, "; " + asset + " : Installed " + asset + ".\n" + Summary(0), {40}},
        {{"status", asset}, 0, "+ " + asset + " : eIadlmf : BH : Example water tower\n" + Summary(0), {21}},
    };
    for (const Row& row : rows) Check(row);
    EXPECT_EQ(InstalledProgram::ReadFile(installed.Root() + "/UserData/local/kuid 523401 1001/notes.txt"),
              InstalledProgram::ReadFile(std::string(VORLEX_SOURCE_EXAMPLES_DIR) + "/assets/water-tower/notes.txt"));
}

// An asset installed from an archive keeps its configuration in binary
// form, which is read first. A text configuration written beside it while
// the asset is open is newer, and committing it would ignore it silently:
// the commit is refused, naming both files, until one of them goes. A text
// form older than the binary one is left alone.
TEST_F(CommandTable, CommitRefusesATextConfigurationNewerThanTheBinaryOne) {
    const std::string archive = std::string(VORLEX_SOURCE_EXAMPLES_DIR) + "/water-tower.cdp";
    const std::string asset = "<kuid:523401:1001>";
    const std::string editing = installed.Root() + "/UserData/editing/kuid 523401 1001";
    const std::string edited =
        "kuid " + asset + "\nkind \"scenery\"\nusername \"Edited tower\"\ncategory-class \"BH\"\n";
    const std::string refusal =
        "The edited asset holds both \"config.chump\" and \"config.txt\", and \"config.txt\" is newer: "
        "\"config.chump\" is read first, so the edit would be ignored. Delete \"config.chump\" to commit "
        "\"config.txt\", or delete \"config.txt\" to keep \"config.chump\".";
    const auto status = [&](const char* flags, const char* name) {
        return Row{{"status", asset}, 0, "+ " + asset + " : " + flags + " : BH : " + name + "\n" + Summary(0), {21}};
    };
    const auto edit = [&] {
        Check({{"edit", asset}, 0, "", {30}, {}, {"+ " + asset + " : ", Summary(0)}});
        ASSERT_TRUE(std::filesystem::exists(editing + "/config.chump"));
    };
    Check({{"installcdp", archive}, 0, "; " + asset + " : Installed " + asset + ".\n" + Summary(0), {40}});

    // The text written after the binary form: refused, nothing changes.
    edit();
    InstalledProgram::WriteFile(editing + "/config.txt", edited);
    const auto chumpTime = std::filesystem::last_write_time(editing + "/config.chump");
    std::filesystem::last_write_time(editing + "/config.txt", chumpTime + std::chrono::seconds(5));
    Check({{"commit", asset}, 255, Failure(refusal, asset), {34}});
    Check(status("EIadLmf", "Example water tower"));
    EXPECT_EQ(InstalledProgram::ReadFile(editing + "/config.txt"), edited);

    // Older than the binary form: the binary form is committed as before.
    std::filesystem::last_write_time(editing + "/config.txt", chumpTime - std::chrono::seconds(5));
    Check({{"commit", asset}, 0, Summary(0), {34}});
    Check(status("eIadLmf", "Example water tower"));

    // With the binary form deleted, the text is what is committed.
    edit();
    InstalledProgram::WriteFile(editing + "/config.txt", edited);
    std::filesystem::remove(editing + "/config.chump");
    Check({{"commit", asset}, 0, Summary(0), {34}});
    Check(status("eIadLmf", "Edited tower"));
}

}  // namespace

// Validation compiles an asset's script into the installation's library
// cache. A script that does not compile is reported with the compiler's own
// errors; a compile that fails without saying why (here a cached library
// that cannot be registered) gets one message of its own. Either way the
// word succeeds: it did the validation asked for.
TEST_F(CommandTable, ValidateCompilesAnAssetsScriptIntoTheCache) {
    const std::string good = "class Thing\n{\n\tpublic int count;\n};\n";
    struct Asset {
        const char* name;
        int number;
        std::string script;
    };
    const Asset assets[] = {{"good", 21, good},
                            {"broken", 22, "class Thing\n{\n\tpublic int count\n};\n"},
                            {"badcache", 23, good + "// cached badly\n"}};
    for (const Asset& asset : assets) {
        const std::string path = installed.Elsewhere() + "/scripted/" + asset.name;
        std::filesystem::create_directories(path);
        InstalledProgram::WriteFile(path + "/config.txt", "kuid <kuid:523401:" + std::to_string(asset.number) +
                                                              ">\nkind \"scenery\"\nvorlex-build 3.5\nusername \"Scripted\"\n"
                                                              "category-class \"BD\"\nscript \"thing\"\n"
                                                              "class \"Thing\"\n");
        InstalledProgram::WriteFile(path + "/thing.gs", asset.script);
    }
    Check({{"installfrompath", "scripted"}, 0, "", {39, 39, 39}, {}, {"Installed <kuid:523401:23>.\n", Summary(0)}});

    const auto cacheFolder = [&](int number) {
        return installed.Root() + "/UserData/cache/libraries/" + KUID(523401, number, 0).ToFolderName().c_str();
    };
    const auto cachedLibraries = [&](int number) {
        int count = 0;
        if (std::filesystem::exists(cacheFolder(number)))
            for (const auto& entry : std::filesystem::directory_iterator(cacheFolder(number)))
                count += entry.path().extension() == ".gsl";
        return count;
    };
    // badcache's library, where the cache looks for it (named by the CRCs of
    // the source and of its name), holds no library.
    std::filesystem::create_directories(cacheFolder(23));
    const std::string badSource = assets[2].script;
    char badLibrary[32];
    std::snprintf(badLibrary, sizeof badLibrary, "%08x%08x.gsl", ComputeCRC32(badSource.data(), badSource.size()),
                  ComputeCRC32LowerCase("thing.gs"));
    InstalledProgram::WriteFile(cacheFolder(23) + "/" + badLibrary, "not a library");

    Check({{"validate", "<kuid:523401:21>"}, 0, Summary(0), {38}});
    EXPECT_EQ(cachedLibraries(21), 1);
    // The compile step's entries name no asset.
    Check({{"validate", "<kuid:523401:22>"}, 0,
           "- <NULL> : thing.gs(4) : parse error, line 4\n- <NULL> : .. while compiling 'thing.gs'\n" + Summary(2),
           {38}});
    EXPECT_EQ(cachedLibraries(22), 0);
    Check({{"validate", "<kuid:523401:23>"}, 0, Failure("Failed to compile asset"), {38}});
}

// Validation walks the asset's folder for texture files: each finding is
// one error of the asset, with the file named relative to its folder, and
// the script compile step does not run after it.
TEST_F(CommandTable, ValidateChecksTheAssetsTextureFiles) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;
        std::string finding;
    };
    const std::string compiled = "compiled";
    const Case cases[] = {
        {"notpower2",
         {{"wall.texture.txt", "Primary=Wall.tga\n"}, {"wall.tga", Tga(256, 100)}, {"wall.texture", compiled}},
         "The width and height of the image 'wall.tga' must be powers of two."},
        {"duplicate", {{"sub/lonely.texture", compiled}},
         "The compiled texture 'sub/lonely.texture' has no texture description beside it."},
        {"leftover", {{"wall.convert-tex.txt", "Primary=wall.tga\n"}},
         "The texture 'wall.convert-tex.txt' cannot be loaded."},
        {"missing", {{"wall.texture.txt", "Primary=gone.tga\n"}, {"wall.texture", compiled}},
         "The primary image 'gone.tga' named by 'wall.texture.txt' is missing."},
        {"nonansi",
         {{"wall.texture.txt", "; caf\xE9\nPrimary=wall.tga\n"}, {"wall.tga", Tga(8, 8)}, {"wall.texture", compiled}},
         "The texture description 'wall.texture.txt' holds characters outside the ANSI code page."},
    };
    int number = 40;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::pair<std::string, std::string>> files = c.files;
        files.push_back({"config.txt", CheckedConfiguration(++number, "script \"thing\"\nclass \"Thing\"\n")});
        files.push_back({"thing.gs", "class Thing\n{\n\tpublic int count;\n};\n"});
        const ProgramResult run = InstallAndValidate(c.name, number, files);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, "- <kuid:523401:" + std::to_string(number) + "> : " + c.finding + "\n" + Summary(1));
    }
    // The same files in good order pass, and the script is compiled.
    const ProgramResult good = InstallAndValidate(
        "good", 50,
        {{"config.txt", CheckedConfiguration(50)},
         {"wall.texture.txt", "Primary=wall.tga\n"},
         {"wall.tga", Tga(64, 32)},
         {"wall.texture", compiled}});
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.out, Summary(0));

    // A build beyond any int is a future one, not an obsolete one.
    std::string future = CheckedConfiguration(51);
    future.replace(future.find("vorlex-build 3.5"), 16, "vorlex-build 1" + std::string(30, '0') + ".0");
    const ProgramResult run = InstallAndValidate("future", 51, {{"config.txt", future}});
    EXPECT_EQ(run.out, "- <kuid:523401:51> : This asset was made for a newer version of the program and cannot be "
                       "validated.\n" +
                           Summary(1));
}

// A user who deletes UserData to start afresh keeps the shipped script
// libraries: the program puts them back, so assets with and without a
// script validate as before.
TEST_F(CommandTable, ValidateAfterUserDataWasDeleted) {
    installed.StopDaemons();
    std::filesystem::remove_all(installed.Root() + "/UserData");
    const ProgramResult plain = InstallAndValidate("fresh", 52, {{"config.txt", CheckedConfiguration(52)}});
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.out, Summary(0));
    const ProgramResult scripted = InstallAndValidate(
        "freshscript", 53,
        {{"config.txt", CheckedConfiguration(53, "script \"thing\"\nclass \"Thing\"\n")},
         {"thing.gs", "include \"gs.gs\"\nclass Thing isclass GSObject\n{\n\tpublic int count;\n};\n"}});
    EXPECT_EQ(scripted.status, 0);
    EXPECT_EQ(scripted.out, Summary(0));
    EXPECT_TRUE(std::filesystem::exists(installed.Root() + "/UserData/libraries/gs.gsl"));
}

// A mesh that fails to load does not hide the asset's other findings: the
// tags and the script are checked all the same.
TEST_F(CommandTable, ValidateReportsEveryFindingAfterAFailedMesh) {
    const std::string meshTable = MeshTable("gone.im");
    const ProgramResult run = InstallAndValidate(
        "meshless", 60,
        {{"config.txt", CheckedConfiguration(60, meshTable + "preview-scale -1\nscript \"absent\"\nclass \"Thing\"\n")}});
    EXPECT_EQ(run.status, 0);
    const std::string asset = "- <kuid:523401:60> : ";
    // The load's finding, then the export's: the tag, the script and the
    // mesh file that the file check misses too.
    EXPECT_EQ(run.out, asset + "The mesh '\\gone.im' cannot be loaded.\n" + asset +
                           "The tag 'preview-scale' must not be negative.\n" + asset +
                           "The script file 'absent' does not exist.\n" + asset + "The file 'gone.im' does not exist.\n" +
                           Summary(4));
}

// Start-up leaves the product's render set-up to the first material: a
// word that loads a mesh still gets it, and the mesh, its material and its
// texture load without a finding.
TEST_F(CommandTable, ValidateLoadsAMeshWithItsMaterial) {
    const ProgramResult run = InstallAndValidate("tower", 61,
                                                 {{"config.txt", CheckedConfiguration(61, MeshTable("tower.im"))},
                                                  {"tower.im", QuadMesh("onetex", {{0, "paint.tga"}})},
                                                  {"paint.tga", Tga(64, 64)}});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, Summary(0));
}

// Materials start some slots with the engine's shared textures (a bump
// map's flat normal, a gloss or reflection map's white), recorded under
// their "$sharedN" names: the texture check finds those whatever the
// asset holds. One mesh per material type, with the textures it names;
// only a texture the mesh names and the asset lacks is reported.
TEST_F(CommandTable, ValidateFindsTheSharedTexturesOfEveryMaterialType) {
    struct Case {
        const char* type;
        std::vector<std::pair<uint32_t, std::string>> textures;
    };
    const Case cases[] = {
        {"tbumptex", {{0, "paint.tga"}}},
        {"tbumptex", {{0, "paint.tga"}, {8, "bump.tga"}}},
        {"tbumpcoltex", {{0, "paint.tga"}}},
        {"tbumpglosscol", {{0, "paint.tga"}}},
        {"tbumpenv", {{0, "paint.tga"}, {8, "bump.tga"}}},
        {"tgroundonetex", {{0, "paint.tga"}}},
        {"tgroundonetexvs", {{0, "paint.tga"}}},
        {"tonetexnoalpha", {{0, "paint.tga"}}},
        {"tbumpgloss", {{0, "paint.tga"}, {8, "bump.tga"}}},
        {"tglossrust", {{0, "paint.tga"}}},
        {"notex", {}},
        {"onetex", {{0, "paint.tga"}}},
        {"nofogtex", {{0, "paint.tga"}}},
        {"gloss", {{0, "paint.tga"}}},
        {"reflect", {{0, "paint.tga"}}},
        {"tmpfx", {{0, "paint.tga"}, {12, "bump.tga"}}},
    };
    int number = 600;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " with " + std::to_string(c.textures.size()) + " textures");
        ++number;
        const ProgramResult run =
            InstallAndValidate("material" + std::to_string(number), number,
                               {{"config.txt", CheckedConfiguration(number, MeshTable("thing.im"))},
                                {"thing.im", QuadMesh(c.type, c.textures)},
                                {"paint.tga", Tga(64, 64)},
                                {"bump.tga", Tga(64, 64)}});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, Summary(0));
    }
    // A texture that is really missing is still reported.
    const ProgramResult run = InstallAndValidate(
        "materialgone", 620,
        {{"config.txt", CheckedConfiguration(620, MeshTable("thing.im"))},
         {"thing.im", QuadMesh("tbumptex", {{0, "paint.tga"}, {8, "gone.tga"}})},
         {"paint.tga", Tga(64, 64)}});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "- <kuid:523401:620> : The texture 'gone.tga' of the mesh '\\thing.im' cannot be loaded.\n" +
                           Summary(1));
}

// A level-of-detail mesh of many levels, all of one material: load
// completion ends each level's search for an equal material at the first
// level's, so the validation answers well before the daemon stops waiting.
TEST_F(CommandTable, ValidateLoadsALevelOfDetailMeshOfManyLevelsOfOneMaterial) {
    LmWriter::LodModel model;
    model.materials = 1;
    for (uint32_t l = 0; l < 40000; ++l) model.levels.push_back({static_cast<float>(l), false, true, 0});
    const std::vector<uint8_t> mesh = LmWriter::Write(model);
    const std::string meshTable = "mesh-table\n{\n  default\n  {\n    mesh \"levels.lm\"\n    auto-create 1\n  }\n}\n";
    const ProgramResult run = InstallAndValidate("levels", 85,
                                                 {{"config.txt", CheckedConfiguration(85, meshTable)},
                                                  {"levels.lm", std::string(mesh.begin(), mesh.end())}});
    EXPECT_EQ(run.status, 0);
    const std::string asset = "! <kuid:523401:85> : ";
    EXPECT_EQ(run.out, asset +
                           "The level-of-detail mesh '\\levels.lm' has no attachment points and no animations: a "
                           "plain mesh would cost less.\n" +
                           asset +
                           "The last level of detail of '\\levels.lm' has fewer than 300 polygons: consider a "
                           "lower-cost level.\n" +
                           Summary(0, 2));
}

// A skinned mesh whose first chunk is empty, with skin weights for the
// chunks of the file (the empty one's naming a vertex the next chunk does
// not have): the weights move with their chunk, and the mesh loads and
// validates without a finding.
TEST_F(CommandTable, ValidateLoadsASkinnedMeshWhoseFirstChunkIsEmpty) {
    ImWriter::MeshModel model;
    model.maxInfluencesPerVertex = 1;
    model.maxBonesPerChunk = 1;
    ImWriter::ChunkModel empty = ImWriter::Quad(1.0f);
    empty.indices.clear();
    ImWriter::ChunkModel triangle = ImWriter::Quad(2.0f);
    triangle.positions.resize(9);
    triangle.uvs.resize(6);
    triangle.indices = {0, 1, 2};
    model.chunks = {empty, triangle};
    for (ImWriter::ChunkModel& chunk : model.chunks) chunk.weightsPerVertex = 1;
    ImWriter::BoneModel root = ImWriter::Bone("root", "");
    root.entries = {{0, {{3, 1.0f}}}, {1, {{0, 1.0f}, {1, 1.0f}, {2, 1.0f}}}};
    model.bones = {root};
    const std::vector<uint8_t> mesh = ImWriter::Write(model);
    const std::string meshTable = "mesh-table\n{\n  default\n  {\n    mesh \"body.im\"\n    auto-create 1\n  }\n}\n";
    const ProgramResult run = InstallAndValidate(
        "skinned", 86, {{"config.txt", CheckedConfiguration(86, meshTable)}, {"body.im", std::string(mesh.begin(), mesh.end())}});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, Summary(0));
}

// What the legacy upgrade writes passes the shipped lists: a 2.8 asset
// without categories gets the class "ZX" and the region "00", and an asset
// of today may name the region "00" and the legacy class list "VE;AIR".
TEST_F(CommandTable, ValidateAcceptsTheCategoriesTheUpgradeWrites) {
    const auto configuration = [](int number, const std::string& tags) {
        return "kuid <kuid:523401:" + std::to_string(number) + ">\nkind \"scenery\"\nusername \"Legacy\"\n" + tags;
    };
    struct Case {
        const char* name;
        int number;
        std::string tags;
    };
    const Case cases[] = {
        {"legacy", 70, "vorlex-build 2.8\n"},
        {"worldwide", 71, "vorlex-build 3.5\ncategory-class \"BH\"\ncategory-region \"00\"\ncategory-era \"1950s\"\n"},
        {"aircraft", 72, "vorlex-build 3.5\ncategory-class \"VE;AIR\"\ncategory-region \"UK\"\ncategory-era \"1950s\"\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramResult run = InstallAndValidate(c.name, c.number, {{"config.txt", configuration(c.number, c.tags)}});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, Summary(0));
    }
}

// The legacy upgrade keeps a class code that the legacy table knows for the
// asset's kind, and validation accepts it: every row of the table, upgraded
// under its own kind (any kind, here "scenery", for a row of every kind).
// A code the table does not know for the kind becomes "ZX", which passes
// too, while an asset of today is still held to the class list.
TEST_F(CommandTable, ValidateAcceptsEveryClassCodeTheUpgradeKeeps) {
    struct Asset {
        std::string kind;
        std::string code;
        std::string build;
    };
    std::vector<Asset> assets;
    for (const LegacyCategoryRow& row : LegacyCategoryTable())
        assets.push_back({*row.kind ? row.kind : "scenery", row.legacyCode, "2.8"});
    assets.push_back({"scenery", "AA", "2.8"});  // a code of traincars only
    assets.push_back({"scenery", "QQ", "2.8"});  // no code of the table
    assets.push_back({"scenery", "QQ", "3.5"});  // not upgraded: no value of the list
    std::string words;
    int number = 1000;
    for (const Asset& asset : assets) {
        const std::string kuid = "<kuid:523401:" + std::to_string(++number) + ">";
        const std::string folder = installed.Elsewhere() + "/legacy/" + std::to_string(number);
        std::filesystem::create_directories(folder);
        InstalledProgram::WriteFile(folder + "/config.txt",
                                    "kuid " + kuid + "\nkind \"" + asset.kind + "\"\nusername \"Legacy\"\n"
                                    "category-class \"" + asset.code + "\"\ncategory-region \"UK\"\n"
                                    "category-era \"1950s\"\nvorlex-build " + asset.build + "\n");
        words += "validate " + kuid + "\n";
    }
    const ProgramResult install = installed.Run({"installfrompath", "legacy"});
    ASSERT_EQ(install.status, 0) << install.out;
    InstalledProgram::WriteFile(installed.Root() + "/bin/legacy.txt", words);
    const ProgramResult run = installed.Run({"@legacy.txt"});
    // One validation per asset; the only class finding is the last asset's.
    std::size_t validations = 0;
    for (std::size_t at = run.out.find(" Warnings)\n"); at != std::string::npos; at = run.out.find(" Warnings)\n", at + 1))
        ++validations;
    EXPECT_EQ(validations, assets.size()) << run.out;
    const std::string finding = "- <kuid:523401:" + std::to_string(number) +
                                "> : The tag 'category-class' in 'scenery' has no value: choose one of its possible values.\n";
    const std::size_t found = run.out.find(finding);
    ASSERT_NE(found, std::string::npos) << run.out;
    const std::size_t tag = found + finding.find("'category-class'");
    EXPECT_EQ(run.out.find("'category-class'"), tag) << run.out;
    EXPECT_EQ(run.out.rfind("'category-class'"), tag) << run.out;
}

// Tags that name other assets are read as KUIDs: one that holds no KUID is
// reported (as a warning), except in the list of obsoleted assets.
TEST_F(CommandTable, ValidateWarnsOfKuidTagsThatHoldNoKuid) {
    const std::string noKuid = "\"<kuid:zz:yy>\"";
    const auto warning = [](int number, const char* tag) {
        return "! <kuid:523401:" + std::to_string(number) + "> : The tag '" + tag + "' holds no asset KUID.\n";
    };
    struct Case {
        const char* name;
        int number;
        std::string tags;
        std::string out;
    };
    const Case cases[] = {
        {"preview", 80, "preview-mesh-kuid " + noKuid + "\n", warning(80, "preview-mesh-kuid") + Summary(0, 1)},
        {"table", 81, "kuid-table\n{\n  0 " + noKuid + "\n  1 <kuid:523401:80>\n}\n", warning(81, "0") + Summary(0, 1)},
        {"obsoleted", 82, "obsolete-table\n{\n  0 " + noKuid + "\n}\n", Summary(0)},
        {"good", 83, "preview-mesh-kuid <kuid:523401:80>\n", Summary(0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramResult run = InstallAndValidate(c.name, c.number, {{"config.txt", CheckedConfiguration(c.number, c.tags)}});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, c.out);
    }
    // A car's interior, named as the car's own tag.
    const ProgramResult car = InstallAndValidate(
        "car", 84,
        {{"config.txt", "kuid <kuid:523401:84>\nkind \"traincar\"\nusername \"Car\"\ncategory-class \"TR\"\n"
                        "category-region \"UK\"\ncategory-era \"1950s\"\nvorlex-build 3.5\ninterior " +
                            noKuid + "\n"}});
    EXPECT_NE(car.out.find(warning(84, "interior")), std::string::npos) << car.out;
}
