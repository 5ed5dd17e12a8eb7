// The daemon's store through the program's words after a kill or damage:
// fpxdeleteall stopped after any step of its deletes leaves every asset
// whole and recorded or gone; a word whose answer rests on damaged pages
// fails with the cause and the advice to repair; the repair says how many
// settings it kept and lost.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "InstalledProgram.h"

namespace {

using VorlexTest::InstalledProgram;
using VorlexTest::ProgramResult;
namespace fs = std::filesystem;

constexpr std::size_t kPage = 4096;

class StoreRecovery : public ::testing::Test {
protected:
    std::string User() const { return installed.Root() + "/UserData"; }
    std::string Local(int id) const { return User() + "/local/kuid 523401 " + std::to_string(id); }
    static std::string Kuid(int id) { return "<kuid:523401:" + std::to_string(id) + ">"; }

    // Writes asset folders 523401:<id> of 20 files each under
    // Elsewhere()/pack and installs them.
    void Install(const std::vector<int>& ids) {
        fs::remove_all(installed.Elsewhere() + "/pack");
        for (int id : ids) {
            const std::string folder = installed.Elsewhere() + "/pack/" + std::to_string(id);
            fs::create_directories(folder + "/parts");
            InstalledProgram::WriteFile(folder + "/config.txt", "kuid " + Kuid(id) +
                                                                    "\nkind \"scenery\"\nusername \"Shed " +
                                                                    std::to_string(id) + "\"\ncategory-class \"BD\"\n");
            for (int part = 0; part < 20; ++part)
                InstalledProgram::WriteFile(folder + "/parts/" + std::to_string(part) + ".txt", "part " + std::to_string(part));
        }
        const ProgramResult run = installed.Run({"installfrompath", "pack"});
        ASSERT_EQ(run.status, 0) << run.out;
    }
    // The asset is installed with every file, or unknown with no folder.
    // True when it is installed.
    bool WholeOrAbsent(int id) {
        SCOPED_TRACE(Kuid(id));
        const ProgramResult status = installed.Run({"status", Kuid(id)});
        if (status.status != 0) {
            EXPECT_NE(status.out.find("Unknown AssetID."), std::string::npos) << status.out;
            EXPECT_FALSE(fs::exists(Local(id)));
            return false;
        }
        EXPECT_NE(status.out.find("+ " + Kuid(id) + " : "), std::string::npos) << status.out;
        std::size_t files = 0;
        for (const auto& entry : fs::recursive_directory_iterator(Local(id)))
            if (entry.is_regular_file()) ++files;
        EXPECT_EQ(files, 21u);
        return true;
    }
    // The daemon ends by itself, its journal folded into the store file.
    void CloseDaemon() { ASSERT_EQ(installed.Run({"closevaddaemon"}).status, 0); }
    void Overwrite(std::size_t at, const std::string& bytes) {
        std::fstream file(User() + "/assets.vdx", std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(at));
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    InstalledProgram installed;
};

TEST_F(StoreRecovery, FpxDeleteAllStoppedAfterAnyStepLeavesEveryAssetWholeOrGone) {
    // Two assets, five steps each (a delete's steps: the change recorded,
    // the edited and the committed copy in the trash, the record removed,
    // the trash deleted); step 11 is past the end. Stopped before its
    // committed copy moved (steps 1 and 2, 6 and 7) an asset stays.
    for (int step = 1; step <= 11; ++step) {
        SCOPED_TRACE("stopped after step " + std::to_string(step));
        const int first = 100 + 2 * step;
        const int second = first + 1;
        // What an earlier round left goes first.
        ASSERT_EQ(installed.Run({"fpxdeleteall"}).status, 0);
        ASSERT_NO_FATAL_FAILURE(Install({first, second}));
        CloseDaemon();
        const ProgramResult run =
            installed.Run({"fpxdeleteall"}, {"VADDAEMON_CRASH_AFTER_STEP=" + std::to_string(step)});
        EXPECT_EQ(run.status, step == 11 ? 0 : 255) << run.out;
        installed.StopDaemons();
        EXPECT_EQ(WholeOrAbsent(first), step <= 2);
        EXPECT_EQ(WholeOrAbsent(second), step <= 7);
        if (fs::exists(User() + "/trash")) EXPECT_TRUE(fs::is_empty(User() + "/trash"));
        installed.StopDaemons();
    }
}

TEST_F(StoreRecovery, AWordOverDamagedPagesFailsWithTheCause) {
    std::vector<int> ids;
    for (int id = 1; id <= 150; ++id) ids.push_back(id);
    ASSERT_NO_FATAL_FAILURE(Install(ids));
    CloseDaemon();
    // Every page of the second half of the file loses its first bytes.
    const std::size_t pages = fs::file_size(User() + "/assets.vdx") / kPage;
    for (std::size_t page = pages / 2; page < pages; ++page) Overwrite(page * kPage, std::string(12, '\x55'));
    const std::string cause = "The asset database " + User() + "/assets.vdx is damaged (";
    const std::string advice = "\"repairdatabase\" keeps it aside and makes a new one.";
    for (const std::vector<std::string>& word : {std::vector<std::string>{"searchbycategory", "BD"},
                                                 std::vector<std::string>{"authors"}}) {
        SCOPED_TRACE(word[0]);
        const ProgramResult run = installed.Run(word);
        EXPECT_EQ(run.status, 255) << run.out;
        EXPECT_NE(run.out.find(cause), std::string::npos) << run.out;
        EXPECT_NE(run.out.find(advice), std::string::npos) << run.out;
    }
    installed.StopDaemons();
}

TEST_F(StoreRecovery, TheRepairSaysHowManySettingsItKeptAndLost) {
    const struct {
        const char* what;
        bool cut;  // else the header is damaged
        const char* counts;
    } cases[] = {
        {"cut in half", true, "Settings kept: 1, lost: 0."},
        {"header damaged", false, "Settings kept: 0, lost: unreadable."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(User() + "/assets.vdx");
        fs::remove(User() + "/assets.vdx.damaged");
        fs::remove_all(User() + "/local");
        ASSERT_EQ(installed.Run({"registeraccount", "carol", "pw"}).status, 0);
        std::vector<int> ids;
        for (int id = 1; id <= 60; ++id) ids.push_back(id);
        ASSERT_NO_FATAL_FAILURE(Install(ids));
        CloseDaemon();
        const std::string database = User() + "/assets.vdx";
        if (c.cut)
            fs::resize_file(database, fs::file_size(database) / 2 / kPage * kPage);
        else
            Overwrite(0, std::string(100, '\x55'));
        const ProgramResult run = installed.Run({"repairdatabase"});
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_NE(run.out.find(c.counts), std::string::npos) << run.out;
        EXPECT_TRUE(fs::exists(database + ".damaged"));
        EXPECT_TRUE(WholeOrAbsent(1)) << "taken up again";
        installed.StopDaemons();
    }
}

}  // namespace
