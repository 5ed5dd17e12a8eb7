// The ".va" archive layer, through the file service's archive roots.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/File.h"
#include "engine/FileArchive.h"
#include "engine/ZipArchive.h"
#include "ZipTestFile.h"
#include "support/TempDir.h"

using Vek::File;
using Vek::PString;
using Vek::ZipArchive;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class ZipArchiveRoot : public ::testing::Test {
protected:
    void SetUp() override { ZipArchive::Register(); }
    void TearDown() override {
        File::Subst(m_root, nullptr, true);
        Vek::FileArchive::SetOpener(nullptr);
    }

    // Maps the test root to the archive; false when the file service refuses it.
    bool Mount(const std::string& path) { return File::Subst(m_root, path.c_str(), false); }

    std::string ReadFile(const char* path) {
        File file;
        if (!file.Open(m_root, path, File::kModeRead)) return "<no file>";
        std::string text(static_cast<std::size_t>(file.Length()), '\0');
        file.Read(text.data(), text.size());
        return text;
    }

    std::vector<std::string> List(const char* pattern) {
        std::vector<std::string> names;
        File::Find find;
        if (find.Open(pattern, m_root)) {
            do {
                names.push_back(std::string(find.GetName()) + (find.IsDirectory() ? "/" : ""));
            } while (find.Next());
        }
        return names;
    }

    VorlexTest::TempDir m_dir;
    PString m_root{"zip-test"};
};

}  // namespace

TEST_F(ZipArchiveRoot, ServesFilesAndFoldersWithoutRegardToCase) {
    const std::string path = m_dir / "Asset.va";
    ASSERT_TRUE(ZipTest::Write(path, {{"config.txt", "kuid <kuid:1:2>\r\n"},
                                      {"Art/Tree.im", std::string(100000, 'm')},
                                      {"art\\bark.tga", "tga"},  // a backslash separates too
                                      {"./sound/", ""},
                                      {"empty.txt", ""}}));
    ASSERT_TRUE(Mount(path));

    EXPECT_EQ(ReadFile("CONFIG.TXT"), "kuid <kuid:1:2>\r\n");
    EXPECT_EQ(ReadFile("art\\tree.im"), std::string(100000, 'm'));
    EXPECT_EQ(ReadFile("ART/BARK.TGA"), "tga");
    EXPECT_EQ(ReadFile("empty.txt"), "");
    EXPECT_TRUE(File::IsDirectory(m_root, "Sound"));
    EXPECT_TRUE(File::IsDirectory(m_root, ""));
    EXPECT_FALSE(File::Exists(m_root, "art/missing.im"));
    EXPECT_FALSE(File::Exists(m_root, "config.txt/x"));

    EXPECT_EQ(List("*"), (std::vector<std::string>{"./", "../", "Art/", "config.txt", "empty.txt", "sound/"}));
    EXPECT_EQ(List("art/*.*"), (std::vector<std::string>{"./", "../", "Tree.im", "bark.tga"}));

    // Read-only: nothing opens for writing.
    File file;
    EXPECT_FALSE(file.Open(m_root, "config.txt", File::kModeWrite | File::kModeCreate));
    EXPECT_FALSE(File::Unlink(m_root, "config.txt"));
}

TEST_F(ZipArchiveRoot, EntriesThatWouldLeaveTheArchiveOrClashAreRefused) {
    const std::string path = m_dir / "bad.va";
    ASSERT_TRUE(ZipTest::Write(path, {{"../evil.txt", "up"},
                                      {"a/../../evil2.txt", "up"},
                                      {"/abs.txt", "abs"},
                                      {"\\abs2.txt", "abs"},
                                      {"C:\\drive.txt", "drive"},
                                      {"c:rel.txt", "drive"},
                                      {"good/file.txt", "good"},
                                      {"good/file.txt/below.txt", "file under a file"},
                                      {"GOOD", "file where a folder is"},
                                      {"good/FILE.TXT", "a name taken, in another case"},
                                      {"twice.txt", "first"}}));
    auto archive = ZipArchive::Open(path);
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->RefusedEntryCount(), 8u);

    ASSERT_TRUE(Mount(path));
    EXPECT_EQ(List("*"), (std::vector<std::string>{"./", "../", "good/", "twice.txt"}));
    // Two files whose names differ in case both stay: the exact name first,
    // else the first in byte order.
    EXPECT_EQ(List("good/*"), (std::vector<std::string>{"./", "../", "FILE.TXT", "file.txt"}));
    EXPECT_EQ(ReadFile("good/file.txt"), "good");
    EXPECT_EQ(ReadFile("good/File.txt"), "a name taken, in another case");
    for (const char* name : {"evil.txt", "evil2.txt", "abs.txt", "abs2.txt", "drive.txt", "rel.txt"})
        EXPECT_FALSE(File::Exists(m_root, name)) << name;
    // Nothing was written outside the archive either.
    EXPECT_FALSE(std::filesystem::exists(m_dir / "evil.txt"));
}

TEST_F(ZipArchiveRoot, DamagedDataIsAnErrorNotContent) {
    const std::string path = m_dir / "damaged.va";
    const std::string content = "THE-STORED-CONTENT-OF-A-FILE";
    ASSERT_TRUE(ZipTest::Write(path, {{"a.txt", content}, {"b.txt", "intact"}}, true));
    std::string bytes = ReadAll(path);
    const std::size_t at = bytes.find(content);
    ASSERT_NE(at, std::string::npos);
    bytes[at + 4] ^= 0x20;  // the CRC no longer matches
    WriteAll(path, bytes);

    ASSERT_TRUE(Mount(path));
    EXPECT_TRUE(File::Exists(m_root, "a.txt"));
    EXPECT_EQ(ReadFile("a.txt"), "<no file>");
    EXPECT_EQ(ReadFile("b.txt"), "intact");
}

TEST_F(ZipArchiveRoot, WhatIsNoReadableArchiveIsNotMounted) {
    const std::string good = m_dir / "good.va";
    ASSERT_TRUE(ZipTest::Write(good, {{"a.txt", "a"}}));
    const std::string whole = ReadAll(good);

    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"text", "this is no archive at all"},
        {"cut in half", whole.substr(0, whole.size() / 2)},
        {"end record cut off", whole.substr(0, whole.size() - 10)},
    };
    for (const Case& c : cases) {
        const std::string path = m_dir / "case.va";
        WriteAll(path, c.bytes);
        EXPECT_FALSE(ZipArchive::Open(path)) << c.name;
        EXPECT_FALSE(Mount(path)) << c.name;
    }

    // Neither a folder nor a FIFO is opened (a FIFO would block the reader).
    std::filesystem::create_directory(m_dir / "folder.va");
    EXPECT_FALSE(ZipArchive::Open(m_dir / "folder.va"));
    ASSERT_EQ(::mkfifo((m_dir / "fifo.va").c_str(), 0600), 0);
    EXPECT_FALSE(ZipArchive::Open(m_dir / "fifo.va"));
    EXPECT_FALSE(ZipArchive::Open(m_dir / "missing.va"));
}

TEST_F(ZipArchiveRoot, ADirectoryThatDisagreesWithTheEntriesIsRefused) {
    // The central directory claims another size than the local header: the
    // consistency check refuses the archive instead of serving short data.
    const std::string path = m_dir / "sizes.va";
    const std::string content = "0123456789";
    ASSERT_TRUE(ZipTest::Write(path, {{"n.txt", content}}, true));
    std::string bytes = ReadAll(path);
    const std::size_t central = bytes.rfind(std::string("PK\x01\x02", 4));
    ASSERT_NE(central, std::string::npos);
    bytes[central + 24] = 40;  // uncompressed size, low byte: 10 -> 40
    WriteAll(path, bytes);
    EXPECT_FALSE(ZipArchive::Open(path));
}
