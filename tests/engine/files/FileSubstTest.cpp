// Named roots: folder substitutions, unknown roots, paths that try to leave
// a root, and the archive seam.
#include <gtest/gtest.h>

#include <map>

#include "FileTestSupport.h"
#include "engine/File.h"
#include "engine/FileArchive.h"
#include "support/TempDir.h"

using FileTest::Listing;
using FileTest::OnDisk;
using FileTest::ReadText;
using FileTest::WriteText;
using Vek::File;
using Vek::FileArchive;
using Vek::PString;

namespace {

// An archive held in memory: path -> content; folders are implied by paths.
class FakeArchive : public FileArchive {
public:
    explicit FakeArchive(std::map<std::string, std::string> files) : m_files(std::move(files)) {}

    bool Exists(const std::string& path) const override { return m_files.count(path) || IsDirectory(path); }
    bool IsDirectory(const std::string& path) const override {
        if (path.empty()) return true;
        for (const auto& [name, content] : m_files)
            if (name.compare(0, path.size() + 1, path + "/") == 0) return true;
        return false;
    }
    bool List(const std::string& folder, std::vector<Entry>& entries) const override {
        if (!IsDirectory(folder)) return false;
        const std::string prefix = folder.empty() ? "" : folder + "/";
        std::map<std::string, Entry> children;
        for (const auto& [name, content] : m_files) {
            if (name.compare(0, prefix.size(), prefix) != 0) continue;
            std::string rest = name.substr(prefix.size());
            std::size_t cut = rest.find('/');
            Entry entry;
            entry.name = rest.substr(0, cut);
            entry.isDirectory = cut != std::string::npos;
            entry.size = entry.isDirectory ? 0 : static_cast<int64_t>(content.size());
            children[entry.name] = entry;
        }
        for (auto& [name, entry] : children) entries.push_back(entry);
        return true;
    }
    bool ReadEntry(const std::string& path, std::vector<uint8_t>& data) const override {
        auto it = m_files.find(path);
        if (it == m_files.end()) return false;
        data.assign(it->second.begin(), it->second.end());
        return true;
    }

private:
    std::map<std::string, std::string> m_files;
};

std::shared_ptr<FileArchive> MakeArchive() {
    return std::make_shared<FakeArchive>(
        std::map<std::string, std::string>{{"config.txt", "kuid 1\r\nname x\r\n"}, {"art/tree.im", "mesh"}});
}

}  // namespace

class FileSubst : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.Path().empty());
        WriteText(dir / "Install/Scripts/Lib/Rail.GS", "rail");
        WriteText(dir / "Install/outside.txt", "outside");
        ASSERT_TRUE(File::Subst(root, (dir / "install/scripts/").c_str(), true));
    }
    void TearDown() override {
        File::Subst(root, nullptr, true);
        FileArchive::SetOpener(nullptr);
    }
    VorlexTest::TempDir dir;
    PString root{"test-scripts"};
};

TEST_F(FileSubst, AFolderRootResolvesItsPathsInsideTheFolder) {
    EXPECT_EQ(File::GetSubst(root), dir / "install/scripts/");
    EXPECT_TRUE(File::Exists(root, "lib\\rail.gs"));
    EXPECT_TRUE(File::Exists(root, "\\LIB/rail.gs"));  // a leading separator stays inside
    EXPECT_TRUE(File::Exists(root, ""));             // the root itself
    EXPECT_TRUE(File::IsDirectory(root, "Lib"));
    EXPECT_EQ(File::ResolveOsPath(root, "lib/x/../new.gs"), dir / "Install/Scripts/Lib/new.gs");

    File file;
    ASSERT_TRUE(file.Open(root, "LIB/RAIL.gs", File::kModeRead));
    EXPECT_EQ(FileTest::ReadAll(file), "rail");
    EXPECT_EQ(file.GetRoot(), root);
    ASSERT_TRUE(file.Open(root, "lib/made.gs", 257));
    file.Close();
    EXPECT_TRUE(OnDisk(dir / "Install/Scripts/Lib/made.gs"));

    File::Find find;
    ASSERT_TRUE(find.Open("lib\\*.gs", root));
    EXPECT_EQ(Listing(find), (std::vector<std::string>{"Rail.GS", "made.gs"}));
    ASSERT_TRUE(find.Open("*", root));
    EXPECT_EQ(Listing(find), (std::vector<std::string>{".", "..", "Lib"}));

    EXPECT_TRUE(File::Unlink(root, "lib/made.gs"));
    EXPECT_FALSE(OnDisk(dir / "Install/Scripts/Lib/made.gs"));
}

TEST_F(FileSubst, PathsThatClimbOutOfTheRootAreRefused) {
    for (const char* path : {"../outside.txt", "lib/../../outside.txt", "..\\OUTSIDE.TXT"}) {
        EXPECT_FALSE(File::Exists(root, path)) << path;
        File file;
        EXPECT_FALSE(file.Open(root, path, File::kModeRead)) << path;
        EXPECT_FALSE(File::Unlink(root, path)) << path;
        EXPECT_EQ(File::ResolveOsPath(root, path), "") << path;
    }
    File::Find find;
    EXPECT_FALSE(find.Open("../*", root));
    EXPECT_TRUE(File::Exists(root, "lib/../lib/rail.gs"));
    EXPECT_EQ(ReadText(dir / "Install/outside.txt"), "outside");
}

TEST_F(FileSubst, UnknownAndRemovedRootsFail) {
    const PString unknown("test-unknown");
    File file;
    File::Find find;
    EXPECT_FALSE(File::Exists(unknown, "lib/rail.gs"));
    EXPECT_FALSE(File::IsDirectory(unknown, ""));
    EXPECT_FALSE(file.Open(unknown, "lib/rail.gs", File::kModeRead));
    EXPECT_FALSE(find.Open("*", unknown));
    EXPECT_FALSE(File::Unlink(unknown, "lib/rail.gs"));
    EXPECT_EQ(File::ResolveOsPath(unknown, "x"), "");
    EXPECT_EQ(File::GetSubst(unknown), "");

    EXPECT_FALSE(File::Subst(PString(), (dir / "install").c_str(), true));
    EXPECT_TRUE(File::Subst(root, "", true));
    EXPECT_FALSE(File::Exists(root, "lib/rail.gs"));
    EXPECT_EQ(File::GetSubst(root), "");
    EXPECT_TRUE(OnDisk(dir / "Install/Scripts/Lib/Rail.GS"));

    // An empty root is the plain file system.
    EXPECT_TRUE(File::Exists(PString(), (dir / "install/outside.txt").c_str()));
}

TEST_F(FileSubst, PruneTakesALeadingRootName) {
    WriteText(dir / "User/keep", "");
    const PString cache("test-cache");
    ASSERT_TRUE(File::Subst(cache, (dir / "user/cache").c_str(), true));  // not there yet
    EXPECT_TRUE(File::Prune("test-cache/a/B/messages.dat"));
    EXPECT_EQ(FileTest::Names(dir / "User"), (std::vector<std::string>{"cache", "keep"}));
    EXPECT_TRUE(OnDisk(dir / "User/cache/a/B"));
    EXPECT_FALSE(OnDisk(dir / "User/cache/a/B/messages.dat"));
    File file;
    EXPECT_TRUE(file.Open(cache, "a/b/messages.dat", 257));
    File::Subst(cache, nullptr, true);
}

TEST_F(FileSubst, ArchiveSubstitutionNeedsTheArchiveLayer) {
    WriteText(dir / "Asset.va", "zip bytes");
    const PString packed("test-packed");
    EXPECT_FALSE(File::Subst(packed, (dir / "asset.va").c_str(), false));
    EXPECT_FALSE(File::Exists(packed, "config.txt"));

    std::string openedPath;
    FileArchive::SetOpener([&](const std::string& osPath) -> std::shared_ptr<FileArchive> {
        openedPath = osPath;
        return osPath.size() > 3 && osPath.compare(osPath.size() - 3, 3, ".va") == 0 ? MakeArchive() : nullptr;
    });
    ASSERT_TRUE(File::Subst(packed, (dir / "ASSET.VA").c_str(), false));
    EXPECT_EQ(openedPath, dir / "Asset.va");
    EXPECT_EQ(File::GetSubst(packed), dir / "ASSET.VA");
    EXPECT_TRUE(File::Exists(packed, "config.txt"));

    // An archive the layer refuses leaves the old mapping.
    WriteText(dir / "other.zip", "");
    EXPECT_FALSE(File::Subst(packed, (dir / "other.zip").c_str(), false));
    EXPECT_TRUE(File::Exists(packed, "config.txt"));
    File::Subst(packed, nullptr, false);
    EXPECT_FALSE(File::Exists(packed, "config.txt"));
}

TEST_F(FileSubst, AnArchiveRootIsReadOnlyAndServesEntriesFromMemory) {
    const PString packed("test-archive");
    ASSERT_TRUE(File::SubstArchive(packed, MakeArchive()));

    EXPECT_TRUE(File::Exists(packed, "\\config.txt"));
    EXPECT_TRUE(File::IsDirectory(packed, "art"));
    EXPECT_FALSE(File::IsDirectory(packed, "art/tree.im"));
    EXPECT_FALSE(File::Exists(packed, "../config.txt"));
    EXPECT_EQ(File::ResolveOsPath(packed, "config.txt"), "");

    File::Find find;
    ASSERT_TRUE(find.Open("*", packed));
    EXPECT_EQ(Listing(find), (std::vector<std::string>{".", "..", "art", "config.txt"}));
    ASSERT_TRUE(find.Open("art/*.IM", packed));
    EXPECT_STREQ(find.GetName(), "tree.im");
    EXPECT_EQ(find.GetSize(), 4);
    EXPECT_FALSE(find.Open("missing/*", packed));

    File file;
    ASSERT_TRUE(file.Open(packed, "config.txt", File::kModeRead));
    char line[64];
    ASSERT_TRUE(File::ReadLine(file, line, sizeof line));
    EXPECT_STREQ(line, "kuid 1\r\n");
    EXPECT_EQ(file.Tell(), 8);
    EXPECT_EQ(file.Length(), 16);
    EXPECT_EQ(file.Write("x", 1), 0u);
    ASSERT_TRUE(file.Seek(3, File::kSeekEnd));
    EXPECT_EQ(FileTest::ReadAll(file), "x\r\n");
    EXPECT_TRUE(file.Eof());

    EXPECT_FALSE(file.Open(packed, "new.txt", 257));
    EXPECT_FALSE(file.Open(packed, "config.txt", 0x011));
    EXPECT_FALSE(file.Open(packed, "missing.txt", File::kModeRead));
    EXPECT_FALSE(File::Unlink(packed, "config.txt"));
    EXPECT_TRUE(File::Exists(packed, "config.txt"));
    File::SubstArchive(packed, nullptr);
}
