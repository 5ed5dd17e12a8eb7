// An archive installed onto a disk that fills up: the assets whose files do
// not fit fail with the write's cause, never as a damaged archive, and
// leave nothing behind; the ones that fit are installed whole. A store on a
// disk that is full still opens and reads, and its writes fail naming the
// disk; nothing is set aside as damaged.
//
// The user folder is a small tmpfs mounted in a mount namespace of the test
// process's own (the program and the daemon it starts inherit it), so the
// machine's mounts are never touched. Without the rights for that the test
// is skipped.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "InstalledProgram.h"
#include "foundation/kuid/KUID.h"
#include "foundation/soups/ACSChunk.h"
#include "foundation/soups/ACSRawData.h"
#include "foundation/soups/SoupFiles.h"
#include "foundation/soups/SoupHandle.h"
#include "support/LzssStored.h"

namespace {

using VorlexTest::InstalledProgram;
using VorlexTest::LzssStored;
using VorlexTest::ProgramResult;
namespace fs = std::filesystem;

constexpr int kAssets = 30;
constexpr std::size_t kFileSize = 64 * 1024;

KUID NthAsset(int i) { return KUID(523401, 100 + i, 0); }

// Bytes no codec can shrink, different for every asset.
std::vector<uint8_t> Noise(int seed) {
    std::vector<uint8_t> bytes(kFileSize);
    std::mt19937 random(static_cast<unsigned>(seed));
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
    return bytes;
}

void SetRaw(SoupHandle& soup, const char* name, const std::vector<uint8_t>& bytes) {
    soup.EnsureContainer();
    ChunkRef root = soup.GetRoot();
    root->AppendChild(name, root->CreateChunk(ACSKind::kRaw,
                                              MakeRawDataCopy(static_cast<int32_t>(bytes.size()), bytes.data())));
}

// An archive of kAssets assets, each with one 64 KiB "data.txt" stored as
// "LZSS".
void WriteArchive(const std::string& path) {
    SoupHandle root;
    SoupHandle assets;
    SoupHandle contents;
    for (int i = 0; i < kAssets; ++i) {
        SoupHandle asset;
        asset.SetKUID("kuid", NthAsset(i));
        asset.SetString("kind", "scenery");
        asset.SetString("username", ("Filler " + std::to_string(i)).c_str());
        SoupHandle files;
        SetRaw(files, "data.txt", LzssStored(Noise(i)));
        asset.SetContainer("files", files);
        asset.SetString("compression", "LZSS");
        assets.SetContainer(NthAsset(i).ToTagString(), asset);
        contents.SetKUID(std::to_string(i).c_str(), NthAsset(i));
    }
    root.SetContainer("assets", assets);
    root.SetContainer("contents-table", contents);
    root.SetString("kind", "archive");
    root.SetInt("package-version", 1);
    ASSERT_TRUE(SaveSoupFile(root, Vek::PString(), path.c_str()));
}

std::uintmax_t BytesBelow(const std::string& folder) {
    std::uintmax_t total = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) total += entry.file_size();
    return total;
}

// The installation's user folder on a tmpfs of its own holding what the
// layout put there and `room` bytes more, in a mount namespace of the test
// process's own (the program and the daemon it starts inherit it).
class SmallUserData {
public:
    // False, with the reason, where the process cannot have its own mount
    // namespace or a tmpfs.
    bool Mount(const InstalledProgram& installed, std::uintmax_t room, std::string& why) {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            why = std::string("no mount namespace of its own: ") + std::strerror(errno);
            return false;
        }
        m_folder = installed.Root() + "/UserData";
        const std::string saved = installed.Root() + "/UserData.laid-out";
        fs::rename(m_folder, saved);
        fs::create_directory(m_folder);
        const std::string options = "size=" + std::to_string((BytesBelow(saved) + room) / 1024) + "k";
        if (::mount("tmpfs", m_folder.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            why = std::string("no tmpfs: ") + std::strerror(errno);
            m_folder.clear();
            return false;
        }
        fs::copy(saved, m_folder, fs::copy_options::recursive);
        return true;
    }
    ~SmallUserData() {
        if (!m_folder.empty()) ::umount2(m_folder.c_str(), MNT_DETACH);
    }
    const std::string& Folder() const { return m_folder; }

private:
    std::string m_folder;
};

}  // namespace

TEST(FullDisk, AnInstallThatRunsOutOfSpaceReportsTheWriteNotADamagedArchive) {
    InstalledProgram installed;
    // Room for about a third of the archive's files.
    SmallUserData small;
    std::string why;
    if (!small.Mount(installed, kAssets / 3 * kFileSize + 256 * 1024, why)) GTEST_SKIP() << why;
    const std::string user = small.Folder();
    WriteArchive(installed.Elsewhere() + "/full.cdp");

    const ProgramResult run = installed.Run({"installcdp", "full.cdp"});
    EXPECT_EQ(run.status, 255) << run.out;  // not every asset was installed
    EXPECT_EQ(run.out.find("decompress"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Unable to write content files to disk: No space left on device"), std::string::npos)
        << run.out;

    // Each asset is installed whole or refused with a cause of the disk.
    const std::regex line(R"(([;-]) <kuid:523401:(\d+)> : (.*))");
    const std::set<std::string> diskCauses = {
        "Unable to write content files to disk: No space left on device",
        "The configuration could not be written.",
        "The asset's files could not be staged.",
        "The database could not be updated: the disk holding " + user + " is full (database or disk is full).",
    };
    std::set<int> installedIds;
    std::set<int> refusedIds;
    std::istringstream lines(run.out);
    for (std::string text; std::getline(lines, text);) {
        std::smatch match;
        if (!std::regex_match(text, match, line)) continue;
        const int id = std::stoi(match[2]);
        if (match[1] == ";") {
            EXPECT_EQ(match[3], "Installed <kuid:523401:" + std::to_string(id) + ">.");
            installedIds.insert(id);
        } else {
            EXPECT_EQ(diskCauses.count(match[3]), 1u) << text;
            refusedIds.insert(id);
        }
    }
    EXPECT_GT(installedIds.size(), 0u) << run.out;
    EXPECT_GT(refusedIds.size(), 0u) << run.out;
    EXPECT_EQ(installedIds.size() + refusedIds.size(), static_cast<std::size_t>(kAssets)) << run.out;

    for (int i = 0; i < kAssets; ++i) {
        const int id = 100 + i;
        const std::string folder = user + "/local/kuid 523401 " + std::to_string(id);
        SCOPED_TRACE(folder);
        if (installedIds.count(id)) {
            const std::vector<uint8_t> expected = Noise(i);
            const std::string bytes = InstalledProgram::ReadFile(folder + "/data.txt");
            EXPECT_TRUE(bytes.size() == expected.size() &&
                        std::equal(bytes.begin(), bytes.end(), expected.begin(),
                                   [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; }));
            EXPECT_TRUE(fs::exists(folder + "/config.chump"));
        } else {
            EXPECT_FALSE(fs::exists(folder));
        }
    }
    // No staged files are left behind.
    if (fs::exists(user + "/installing")) EXPECT_TRUE(fs::is_empty(user + "/installing"));

    // The store agrees with the folders.
    const std::string one = "<kuid:523401:" + std::to_string(*installedIds.begin()) + ">";
    const ProgramResult known = installed.Run({"status", one});
    EXPECT_EQ(known.status, 0) << known.out;
    EXPECT_NE(known.out.find("+ " + one + " : eIadlmf"), std::string::npos) << known.out;
    const std::string other = "<kuid:523401:" + std::to_string(*refusedIds.begin()) + ">";
    const ProgramResult unknown = installed.Run({"status", other});
    EXPECT_EQ(unknown.status, 255) << unknown.out;
    EXPECT_NE(unknown.out.find("Unknown AssetID."), std::string::npos) << unknown.out;
    installed.StopDaemons();
}

// A commit on a full disk fails with the system's cause and loses nothing:
// the edit stays open, and once there is room again the commit goes
// through.
TEST(FullDisk, ACommitOnAFullDiskGivesTheSystemsCause) {
    InstalledProgram installed;
    SmallUserData small;
    std::string why;
    if (!small.Mount(installed, 1024 * 1024, why)) GTEST_SKIP() << why;
    const std::string asset = installed.Elsewhere() + "/asset";
    fs::create_directories(asset);
    InstalledProgram::WriteFile(asset + "/config.txt", "kuid <kuid:523401:200>\nkind \"scenery\"\nusername \"Full\"\n");
    const std::vector<std::vector<std::string>> words = {{"installfrompath", "asset"}, {"edit", "<kuid:523401:200>"}};
    for (const std::vector<std::string>& word : words) {
        const ProgramResult run = installed.Run(word);
        ASSERT_EQ(run.status, 0) << run.out;
    }
    // Every byte left is taken.
    const std::string filler = small.Folder() + "/filler";
    {
        FILE* file = std::fopen(filler.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        const std::vector<char> block(64 * 1024, 'f');
        while (std::fwrite(block.data(), 1, block.size(), file) == block.size()) {
        }
        std::fclose(file);
    }
    const ProgramResult full = installed.Run({"commit", "<kuid:523401:200>"});
    EXPECT_EQ(full.status, 255) << full.out;
    EXPECT_NE(full.out.find("- <kuid:523401:200> : The database could not be updated: the disk holding " +
                            small.Folder() + " is full (database or disk is full).\n"),
              std::string::npos)
        << full.out;
    EXPECT_TRUE(fs::exists(small.Folder() + "/editing/kuid 523401 200/config.txt"));

    fs::remove(filler);
    const ProgramResult room = installed.Run({"commit", "<kuid:523401:200>"});
    EXPECT_EQ(room.status, 0) << room.out;
    EXPECT_TRUE(fs::exists(small.Folder() + "/local/kuid 523401 200/config.txt"));
}

// A store whose disk is full: it still opens, and words that only read
// work; a word that writes fails naming the disk and changes nothing; the
// repair finds the store sound and sets nothing aside. Once there is room
// again the same write works.
TEST(FullDisk, AStoreOnAFullDiskReadsAndItsWritesFailNamingTheDisk) {
    InstalledProgram installed;
    SmallUserData small;
    std::string why;
    if (!small.Mount(installed, 4 * 1024 * 1024, why)) GTEST_SKIP() << why;
    const std::string user = small.Folder();
    for (const char* name : {"21", "22"}) {
        fs::create_directories(installed.Elsewhere() + "/pack/" + name);
        InstalledProgram::WriteFile(installed.Elsewhere() + "/pack/" + name + "/config.txt",
                                    std::string("kuid <kuid:523401:") + name +
                                        ">\nkind \"scenery\"\nusername \"Shed\"\ncategory-class \"BD\"\n");
    }
    ProgramResult run = installed.Run({"installfrompath", "pack"});
    ASSERT_EQ(run.status, 0) << run.out;
    // The daemon ends, its journal folded into the store file; then the
    // disk is filled to the last byte.
    ASSERT_EQ(installed.Run({"closevaddaemon"}).status, 0);
    {
        std::ofstream filler(user + "/filler", std::ios::binary);
        const std::string block(64 * 1024, 'f');
        while (filler.write(block.data(), static_cast<std::streamsize>(block.size())) && filler.flush()) {
        }
    }
    {
        std::ofstream filler(user + "/filler-bytes", std::ios::binary);
        while (filler.put('f') && filler.flush()) {
        }
    }
    struct statvfs disk {};
    ASSERT_EQ(::statvfs(user.c_str(), &disk), 0);
    ASSERT_EQ(disk.f_bavail, 0u);

    const std::string kuid = "<kuid:523401:21>";
    run = installed.Run({"status", kuid});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("+ " + kuid + " : "), std::string::npos) << run.out;

    run = installed.Run({"delete", kuid});
    EXPECT_EQ(run.status, 255) << run.out;
    EXPECT_NE(run.out.find("the disk holding " + user + " is full"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("repairdatabase"), std::string::npos) << run.out;
    EXPECT_TRUE(fs::exists(user + "/local/kuid 523401 21/config.txt"));
    run = installed.Run({"status", kuid});
    EXPECT_EQ(run.status, 0) << run.out;

    run = installed.Run({"repairdatabase"});
    EXPECT_EQ(run.out.find("damaged"), std::string::npos) << run.out;
    EXPECT_FALSE(fs::exists(user + "/assets.vdx.damaged"));
    EXPECT_FALSE(fs::exists(user + "/assets.vdx.new"));

    fs::remove(user + "/filler");
    run = installed.Run({"delete", kuid});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_FALSE(fs::exists(user + "/local/kuid 523401 21"));
    run = installed.Run({"status", "<kuid:523401:22>"});
    EXPECT_EQ(run.status, 0) << run.out;
    installed.StopDaemons();
}
