// Deletes, commits and reverts stopped after each of their durable steps
// (VADDAEMON_CRASH_AFTER_STEP): after the restart every asset is either
// whole and recorded or absent, its record says which copies it has, no
// committed copy is lost and nothing is left in the trash.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "vaddaemon/AssetInfoReading.h"
#include "vaddaemon/StoreFixture.h"

namespace {

using namespace VorlexTest;

using Files = std::map<std::string, std::string>;

// An asset of 41 files, each naming the version of the copy.
Files AssetFiles(int content, const std::string& version) {
    Files files;
    files["config.txt"] = "kuid <kuid:3:" + std::to_string(content) + ">\nusername \"" + version + "\"\n";
    for (int i = 0; i < 40; ++i) files["parts/" + std::to_string(i) + ".txt"] = version + " part " + std::to_string(i);
    return files;
}

// What the folders and the record hold after the restart.
enum class Outcome {
    kAbsent,     // no record, no folder
    kCommitted,  // the committed copy "old" alone
    kEditing,    // the committed copy "old" and the edit "new", open for editing
    kReplaced,   // the edit "new" committed, "old" in "backups"
};

class StoreCrashChanges : public StoreTest {
protected:
    std::string Name(int content) const { return "kuid 3 " + std::to_string(content); }

    static void WriteFiles(const std::string& folder, const Files& files) {
        for (const auto& [path, text] : files) WriteFile(folder + "/" + path, text);
    }
    // The folder holds exactly these files.
    static bool Holds(const std::string& folder, const Files& files) {
        if (!IsFolder(folder)) return false;
        std::size_t count = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
            if (entry.is_regular_file()) ++count;
        if (count != files.size()) return false;
        for (const auto& [path, text] : files)
            if (ReadFile(folder + "/" + path) != text) return false;
        return true;
    }

    // Installs the asset with its "old" copy; with `edited`, opens it for
    // editing and writes the "new" copy into the working folder.
    void Prepare(RawLink& link, int content, bool edited) {
        const int64_t handle = Create(link, Kuid(3, content));
        ASSERT_GT(handle, 0);
        WriteFiles(Folder("editing", Name(content)), AssetFiles(content, "old"));
        ASSERT_EQ(ToHex(Commit(link, handle)), "0100");
        link.Request(31, Le64(handle));
        if (!edited) return;
        const int64_t edit = BodyReader(link.Request(30, Kuid(3, content) + Hex("01"))).Long();
        ASSERT_GT(edit, 0);
        std::filesystem::remove_all(Folder("editing", Name(content)));
        WriteFiles(Folder("editing", Name(content)), AssetFiles(content, "new"));
        link.Request(31, Le64(edit));
    }

    void Expect(RawLink& link, int content, Outcome outcome) {
        SCOPED_TRACE("asset " + std::to_string(content));
        const InfoReply info = AskInfo(link, Kuid(3, content));
        const std::string local = Folder("local", Name(content));
        const std::string editing = Folder("editing", Name(content));
        const std::string backup = Folder("backups", Name(content));
        // Every folder of the asset is whole, and the record names exactly
        // the copies there are.
        if (outcome == Outcome::kAbsent) {
            EXPECT_EQ(info.found, 0);
            EXPECT_FALSE(IsFolder(local));
            EXPECT_FALSE(IsFolder(editing));
            return;
        }
        ASSERT_EQ(info.found, 1);
        const bool installed = info.a[3] == '1';
        const bool openForEditing = info.b[0] == '1';
        EXPECT_TRUE(installed);
        EXPECT_EQ(openForEditing, outcome == Outcome::kEditing);
        EXPECT_EQ(IsFolder(editing), outcome == Outcome::kEditing);
        if (outcome == Outcome::kReplaced) {
            EXPECT_TRUE(Holds(local, AssetFiles(content, "new")));
            EXPECT_TRUE(Holds(backup, AssetFiles(content, "old")));
            EXPECT_EQ(info.name, "new");
        } else {
            EXPECT_TRUE(Holds(local, AssetFiles(content, "old")));
            EXPECT_EQ(info.name, "old");
        }
        if (outcome == Outcome::kEditing) EXPECT_TRUE(Holds(editing, AssetFiles(content, "new")));
    }

    void ExpectNothingLeftAside() {
        for (const char* area : {"trash", "installing"}) {
            const std::string folder = UserData() + "/" + area;
            if (std::filesystem::exists(folder)) EXPECT_TRUE(std::filesystem::is_empty(folder)) << area;
        }
    }
};

TEST_F(StoreCrashChanges, AChangeStoppedAfterAnyStepLeavesEveryAssetWholeOrAbsent) {
    enum class Kind { kDelete, kDeleteEdited, kCommit, kRevert, kDeleteTwo };
    // The steps (AssetLibrary.h): a delete has 5, a commit 5, a revert 4;
    // "delete two" is the deletes fpxdeleteall sends, one asset after the
    // other. A change stopped before any folder moved (a delete without an
    // edited copy moves none at step 2) is undone, one stopped later
    // finished (a commit: once its edit is in "local"). The
    // last step of each kind is one past its end: it finishes.
    struct Case {
        Kind kind;
        const char* name;
        int steps;
        // The outcome for the first asset after each stop (index step - 1),
        // then the second asset's ("delete two" only).
        std::vector<Outcome> first, second;
    };
    using O = Outcome;
    const std::vector<Case> cases = {
        {Kind::kDelete, "delete", 6, {O::kCommitted, O::kCommitted, O::kAbsent, O::kAbsent, O::kAbsent, O::kAbsent}, {}},
        {Kind::kDeleteEdited,
         "delete with its edit",
         6,
         {O::kEditing, O::kAbsent, O::kAbsent, O::kAbsent, O::kAbsent, O::kAbsent},
         {}},
        {Kind::kCommit,
         "commit",
         6,
         {O::kEditing, O::kEditing, O::kReplaced, O::kReplaced, O::kReplaced, O::kReplaced},
         {}},
        {Kind::kRevert, "revert", 5, {O::kEditing, O::kCommitted, O::kCommitted, O::kCommitted, O::kCommitted}, {}},
        {Kind::kDeleteTwo,
         "delete two",
         11,
         {O::kCommitted, O::kCommitted, O::kAbsent, O::kAbsent, O::kAbsent, O::kAbsent, O::kAbsent, O::kAbsent,
          O::kAbsent, O::kAbsent, O::kAbsent},
         {O::kCommitted, O::kCommitted, O::kCommitted, O::kCommitted, O::kCommitted, O::kCommitted, O::kCommitted,
          O::kAbsent, O::kAbsent, O::kAbsent, O::kAbsent}},
    };
    int content = 100;
    for (const Case& c : cases) {
        for (int step = 1; step <= c.steps; ++step) {
            SCOPED_TRACE(std::string(c.name) + ", stopped after step " + std::to_string(step));
            const int first = ++content;
            const int second = c.kind == Kind::kDeleteTwo ? ++content : 0;
            const bool edited = c.kind != Kind::kDelete && c.kind != Kind::kDeleteTwo;
            {
                RawLink setup;
                ASSERT_NO_FATAL_FAILURE(Connect(setup));
                ASSERT_NO_FATAL_FAILURE(Prepare(setup, first, edited));
                if (second) ASSERT_NO_FATAL_FAILURE(Prepare(setup, second, false));
                StopDaemon(setup);
            }
            ::setenv("VADDAEMON_CRASH_AFTER_STEP", std::to_string(step).c_str(), 1);
            RawLink link;
            ASSERT_NO_FATAL_FAILURE(Connect(link));
            ::unsetenv("VADDAEMON_CRASH_AFTER_STEP");
            const bool finishes = step == c.steps;
            bool ok = true;
            Bytes reply;
            switch (c.kind) {
                case Kind::kDelete:
                case Kind::kDeleteEdited:
                    reply = link.Request(36, Kuid(3, first) + Hex("01"), &ok);
                    break;
                case Kind::kDeleteTwo:
                    reply = link.Request(36, Kuid(3, first) + Hex("01"), &ok);
                    if (ok) reply = link.Request(36, Kuid(3, second) + Hex("01"), &ok);
                    break;
                case Kind::kCommit:
                case Kind::kRevert: {
                    const int64_t handle = BodyReader(link.Request(30, Kuid(3, first) + Hex("01"))).Long();
                    ASSERT_GT(handle, 0);
                    reply = c.kind == Kind::kCommit ? Commit(link, handle) : link.Request(33, Le64(handle), &ok);
                    if (c.kind == Kind::kCommit) ok = !reply.empty();
                    break;
                }
            }
            if (finishes) {
                EXPECT_TRUE(ok);
                EXPECT_EQ(ToHex(reply), c.kind == Kind::kCommit ? "0101" : "01");
                link.Close();
            } else {
                EXPECT_FALSE(ok);
                EXPECT_TRUE(WaitFor([&] { return DaemonsRunning() == 0; }));
                EXPECT_TRUE(WaitFor([&] { return PublishedPort() == 0; }));
                link.Close();
            }

            RawLink again;
            ASSERT_NO_FATAL_FAILURE(Connect(again));
            Expect(again, first, c.first[static_cast<std::size_t>(step - 1)]);
            if (second) Expect(again, second, c.second[static_cast<std::size_t>(step - 1)]);
            ExpectNothingLeftAside();
            StopDaemon(again);
        }
    }
}

}  // namespace
