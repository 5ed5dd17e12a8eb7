// A store file with damaged pages: a request whose answer rests on them
// fails with the cause, never answers with fewer results; the repair
// salvages the settings soups row by row from the damaged file and says
// truthfully how many it kept and lost.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>


#include "vaddaemon/RepairReading.h"
#include "vaddaemon/SoupBytes.h"
#include "vaddaemon/StoreFixture.h"

namespace {

using namespace VorlexTest;

constexpr std::size_t kPage = 4096;
constexpr int kAssets = 300;

// A settings soup too large to share a page with another: each row of the
// table lies on a page of its own.
Bytes BigSettings(int number) {
    return Soup(TextEntry("note", "marker-" + std::to_string(number) + "-" + std::string(3000, 'n')));
}

// The search by name for "Building" (a string element on the asset name),
// which reads every asset's record.
Bytes NameSearch() { return Hex("6e727473") + Le32(0) + Interned("Building") + Hex("00"); }

class StoreDamage : public StoreTest {
protected:
    std::string Database() const { return UserData() + "/assets.vdx"; }

    // Five settings soups first, then kAssets assets taken up by a repair,
    // so the settings lie in the first pages of a file of many; the daemon
    // is stopped, its journal folded into the file.
    void MakeStore() {
        RawLink link;
        ASSERT_NO_FATAL_FAILURE(Connect(link));
        for (int i = 1; i <= 5; ++i)
            ASSERT_EQ(ToHex(link.Request(101, Interned("s" + std::to_string(i)) + BigSettings(i))), "01");
        for (int i = 0; i < kAssets; ++i) {
            const std::string kuid = "<kuid:3:" + std::to_string(1000 + i) + ">";
            WriteFile(Folder("local", "kuid 3 " + std::to_string(1000 + i)) + "/config.txt",
                      "kuid " + kuid + "\nusername \"Building " + std::to_string(i) +
                          "\"\ncategory-class \"BH\"\ndescription \"" + std::string(400, 'd') + "\"\n");
        }
        ASSERT_TRUE(Repair(link).size() > 0);
        const Bytes found = link.Request(2, NameSearch());
        ASSERT_EQ(BodyReader(found).Word(), kAssets);
        StopDaemon(link);
    }

    // Runs a repair (mode 100) to its end; its lines.
    std::vector<Line> Repair(RawLink& link) {
        link.Request(3, Le32(100));
        const int32_t id = link.lastId;
        EXPECT_TRUE(WaitFor([&] { return AskProgress(link).running == 0; }, 60000));
        return LinesOf(link, id);
    }

    std::string FileBytes() const { return ReadFile(Database()); }
    void Overwrite(std::size_t at, const std::string& bytes) {
        std::fstream file(Database(), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(at));
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    static std::string Noise(std::size_t length) {
        std::mt19937 random(57);
        std::string bytes(length, '\0');
        for (char& byte : bytes) byte = static_cast<char>(random());
        return bytes;
    }

    // The daemon's own lines (transaction 0).
    static std::string OwnLines(const RawLink& link) {
        std::string text;
        for (const Line& line : LinesOf(link, 0)) text += line.text + "\n";
        return text;
    }
};

TEST_F(StoreDamage, ASearchOverDamagedPagesFailsWithTheCauseInsteadOfListingFewer) {
    ASSERT_NO_FATAL_FAILURE(MakeStore());
    const std::size_t size = FileBytes().size();
    ASSERT_GT(size, 40 * kPage);
    for (const std::size_t length : {kPage, 16 * kPage}) {
        SCOPED_TRACE(std::to_string(length) + " bytes damaged");
        const std::string before = FileBytes();
        Overwrite(size / 2 / kPage * kPage, Noise(length));
        RawLink link;
        ASSERT_NO_FATAL_FAILURE(Connect(link));
        bool answered = false;
        EXPECT_EQ(ToHex(link.Request(2, NameSearch(), &answered)), "") << "no list at all";
        EXPECT_TRUE(answered);
        const std::string own = OwnLines(link);
        EXPECT_NE(own.find("The asset database " + Database() + " is damaged ("), std::string::npos) << own;
        EXPECT_NE(own.find("\"repairdatabase\" keeps it aside and makes a new one."), std::string::npos) << own;
        StopDaemon(link);
        std::ofstream(Database(), std::ios::binary | std::ios::trunc) << before;
    }
}

TEST_F(StoreDamage, TheRepairSalvagesSettingsRowByRowAndCountsWhatItLost) {
    ASSERT_NO_FATAL_FAILURE(MakeStore());
    const std::string whole = FileBytes();
    const struct {
        const char* what;
        std::function<void()> damage;
        std::string counts;
        std::vector<int> kept;
    } cases[] = {
        {"cut in half", [&] { std::filesystem::resize_file(Database(), whole.size() / 2 / kPage * kPage); },
         "Settings kept: 5, lost: 0.", {1, 2, 3, 4, 5}},
        {"the page of one settings row damaged",
         [&] { Overwrite(whole.find("marker-3-") / kPage * kPage, std::string(kPage, '\x55')); },
         "Settings kept: 4, lost: 1.", {1, 2, 4, 5}},
        {"the header damaged", [&] { Overwrite(0, std::string(100, '\x55')); }, "Settings kept: 0, lost: unreadable.",
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(Database() + ".damaged");
        std::ofstream(Database(), std::ios::binary | std::ios::trunc) << whole;
        c.damage();
        const std::string damaged = FileBytes();
        RawLink link;
        ASSERT_NO_FATAL_FAILURE(Connect(link));
        const std::vector<Line> lines = Repair(link);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0].severity, 2);
        EXPECT_NE(lines[0].text.find("it was kept as " + Database() + ".damaged and a new one was made. " + c.counts),
                  std::string::npos)
            << lines[0].text;
        EXPECT_EQ(ReadFile(Database() + ".damaged"), damaged) << "set aside as it was";
        for (int i = 1; i <= 5; ++i) {
            const bool kept = std::find(c.kept.begin(), c.kept.end(), i) != c.kept.end();
            const Bytes stored = link.Request(100, Interned("s" + std::to_string(i)));
            EXPECT_EQ(stored == BigSettings(i), kept) << i;
        }
        // The assets are taken up again from their folders.
        EXPECT_EQ(BodyReader(link.Request(2, NameSearch())).Word(), kAssets);
        StopDaemon(link);
    }
}

// A sound store that does not open (here one of a later layout) is no
// damage: the reason comes without the advice to repair, and the repair
// leaves the file as it is.
TEST_F(StoreDamage, ASoundStoreThatDoesNotOpenIsNeverSetAside) {
    {
        RawLink link;
        ASSERT_NO_FATAL_FAILURE(Connect(link));
        ASSERT_EQ(ToHex(link.Request(101, Interned("s1") + BigSettings(1))), "01");
        StopDaemon(link);
    }
    Overwrite(60, std::string("\0\0\0\x63", 4));  // user_version 99
    const std::string before = FileBytes();
    RawLink link;
    ASSERT_NO_FATAL_FAILURE(Connect(link));
    EXPECT_EQ(ToHex(link.Request(100, Interned("s1"))), "");
    EXPECT_EQ(OwnLines(link), "The asset database cannot be opened: the database has a later layout (99).\n");
    const std::vector<Line> lines = Repair(link);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].severity, 3);
    EXPECT_EQ(lines[0].text,
              "The asset database cannot be opened: the database has a later layout (99). Its integrity check passes, "
              "so it is kept as it is.");
    EXPECT_EQ(FileBytes(), before);
    EXPECT_FALSE(std::filesystem::exists(Database() + ".damaged"));
    EXPECT_FALSE(std::filesystem::exists(Database() + ".new"));
    StopDaemon(link);
}

}  // namespace
