#include "assetdb/archives/ArchiveExtraction.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "ArchiveTestSupport.h"
#include "foundation/streams/BufferStream.h"

using namespace ArchiveTest;

namespace {

// The asset folder the tests extract into, inside the location "local".
const char* const kFolder = "asset";

std::string Text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

Vek::PString Extract(const SoupHandle& files, const char* compression, const char* folder = kFolder,
                     const char* location = "local") {
    Vek::PString error("unset");
    ExtractArchiveFolder(error, files, location, folder, compression);
    return error;
}

TEST(ArchiveExtraction, RawFilesAndSkippedNames) {
    Installation install;
    SoupHandle files;
    SetRaw(files, "config.txt", Bytes("kind scenery\n"));
    SetRaw(files, "a~b.txt", Bytes("tilde inside"));
    SetRaw(files, "UPPER.TXT", Bytes("capital extension"));
    SetRaw(files, "empty.txt", {});
    SetRaw(files, ".hidden.txt", Bytes("x"));
    SetRaw(files, " lead.txt", Bytes("x"));
    SetRaw(files, "trail.txt ", Bytes("x"));
    SetRaw(files, "~tilde.txt", Bytes("x"));
    SetRaw(files, "a/b.txt", Bytes("x"));
    SetRaw(files, "a\\b.txt", Bytes("x"));
    SetRaw(files, "..", Bytes("x"));
    SetRaw(files, "prog.exe", Bytes("x"));
    SetRaw(files, "noextension", Bytes("x"));
    SoupHandle art;
    SetRaw(art, "body.pm", Bytes("mesh"));
    SoupHandle deeper;
    SetRaw(deeper, "t.texture", Bytes("texture"));
    art.SetContainer("maps", deeper);
    files.SetContainer("art", art);
    SoupHandle climb;
    SetRaw(climb, "evil.txt", Bytes("x"));
    files.SetContainer("..", climb);
    files.SetContainer(".", climb);
    files.SetContainer("/tmp", climb);

    EXPECT_STREQ(Extract(files, "").c_str(), "");
    const std::string folder = install.Location("local", "asset");
    EXPECT_EQ(FilesBelow(folder), (std::vector<std::string>{"UPPER.TXT", "art/body.pm", "art/maps/t.texture",
                                                            "a~b.txt", "config.txt", "empty.txt"}));
    EXPECT_EQ(Text(ReadBytes(folder + "/config.txt")), "kind scenery\n");
    EXPECT_EQ(Text(ReadBytes(folder + "/art/maps/t.texture")), "texture");
    // Nothing landed anywhere else in the installation.
    EXPECT_EQ(FilesBelow(install.Dir().Path()).size(), 6u);
}

TEST(ArchiveExtraction, OtherKindsReportAndTheRestIsWritten) {
    Installation install;
    SoupHandle files;
    files.SetInt("count.txt", 3);
    SetRaw(files, "after.txt", Bytes("still written"));
    EXPECT_STREQ(Extract(files, "").c_str(), "Unknown data type encountered. Content package may be damaged");
    EXPECT_EQ(FilesBelow(install.Location("local", "asset")), std::vector<std::string>{"after.txt"});
}

TEST(ArchiveExtraction, AbsoluteFolderWithoutLocation) {
    // The asset folder itself may be absolute; only the part below it is
    // checked, so subfolders are still written.
    VorlexTest::TempDir dir;
    SoupHandle files;
    SoupHandle sub;
    SetRaw(sub, "x.txt", Bytes("below an absolute folder"));
    files.SetContainer("sub", sub);
    const std::string folder = dir / "asset";
    EXPECT_STREQ(Extract(files, "", folder.c_str(), "").c_str(), "");
    EXPECT_EQ(FilesBelow(folder), std::vector<std::string>{"sub/x.txt"});
}

// A thousand nested folders, below a folder that already exists with other
// letter case half-way down: each level is made once, in its place, and
// the files at every hundredth level land in theirs. (Making each folder
// resolved the whole path component by component; it now takes the part
// that exists as written in one step.)
TEST(ArchiveExtraction, DeeplyNestedFolders) {
    Installation install;
    constexpr int kDepth = 1000;
    std::string existing = install.Location("local", "asset");
    for (int level = 0; level < kDepth / 2; ++level) existing += level == 250 ? "/D" : "/d";
    std::filesystem::create_directories(existing);

    std::function<SoupHandle(int)> nested = [&](int level) {
        SoupHandle files;
        if (level % 100 == 0) SetRaw(files, "f.txt", Bytes("level " + std::to_string(level)));
        if (level < kDepth) {
            SoupHandle below = nested(level + 1);
            files.SetContainer("d", below);
        }
        return files;
    };
    EXPECT_STREQ(Extract(nested(0), "").c_str(), "");

    std::vector<std::string> expected;
    std::string relative;
    for (int level = 0; level <= kDepth; ++level) {
        if (level % 100 == 0) expected.push_back(relative + "f.txt");
        relative += level == 250 ? "D/" : "d/";
    }
    const std::string deepest = expected.back();
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FilesBelow(install.Location("local", "asset")), expected);
    EXPECT_EQ(Text(ReadBytes(install.Location("local", "asset") + "/" + deepest)), "level 1000");
}

std::vector<uint8_t> RandomBytes(std::size_t n) {
    std::mt19937 rng(11);
    std::vector<uint8_t> out(n);
    for (auto& b : out) b = static_cast<uint8_t>(rng());
    return out;
}

TEST(ArchiveExtraction, LzssRoundTrips) {
    Installation install;
    std::string repetitive;
    for (int i = 0; i < 20000; ++i) repetitive += "rail ";
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> inputs = {
        {"empty.txt", {}},
        {"three.txt", Bytes("abc")},
        {"four.txt", Bytes("abcd")},
        {"random.dat", RandomBytes(70000)},
        {"repetitive.txt", Bytes(repetitive)},
    };
    SoupHandle files;
    for (const auto& [name, bytes] : inputs) SetRaw(files, name, LzssStored(bytes));
    EXPECT_STREQ(Extract(files, "LZSS").c_str(), "");
    for (const auto& [name, bytes] : inputs) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ReadBytes(install.Location("local", std::string("asset/") + name)), bytes);
    }
}

TEST(ArchiveExtraction, LzssFailures) {
    Installation install;
    const char* const failed = "Failed to decompress data. Content package may be damaged";
    std::vector<uint8_t> damaged = LzssStored(RandomBytes(5000));
    damaged[damaged.size() / 2] ^= 0x5A;
    std::vector<uint8_t> truncated = LzssStored(Bytes("some text that is cut short"));
    truncated.resize(truncated.size() - 3);
    std::vector<uint8_t> trailing = LzssStored(Bytes("text"));
    trailing.push_back(0);
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
        {"short.txt", Bytes("abc")},
        {"bare.txt", Bytes("abcd")},
        {"damaged.txt", damaged},
        {"truncated.txt", truncated},
        {"trailing.txt", trailing},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        SoupHandle files;
        SetRaw(files, name, bytes);
        EXPECT_STREQ(Extract(files, "LZSS").c_str(), failed);
    }
    // Too short to hold the skipped word: no file is made at all.
    EXPECT_FALSE(std::filesystem::exists(install.Location("local", "asset/short.txt")));
}

TEST(ArchiveExtraction, UnknownCompressionWritesNoFiles) {
    Installation install;
    SoupHandle files;
    SetRaw(files, "a.txt", Bytes("abcdefgh"));
    SoupHandle sub;
    SetRaw(sub, "b.txt", Bytes("abcdefgh"));
    files.SetContainer("sub", sub);
    EXPECT_STREQ(Extract(files, "ZIP").c_str(), "Unknown compression format.");
    EXPECT_TRUE(std::filesystem::is_directory(install.Location("local", "asset/sub")));
    EXPECT_TRUE(FilesBelow(install.Location("local", "asset")).empty());
}

std::vector<uint8_t> FileReference(const char* location, const char* path) {
    TBuffer stream;
    stream.WritePString(location);
    stream.WriteString(path);
    return std::vector<uint8_t>(stream.GetData(), stream.GetData() + stream.GetDataSize());
}

TEST(ArchiveExtraction, FilePathReferences) {
    Installation install;
    std::filesystem::create_directories(install.Location("local", "other"));
    WriteBytes(install.Location("local", "other/source.txt"), Bytes("shared file"));
    WriteBytes(install.Location("settings", "internet.txt"), Bytes("password secret"));
    WriteBytes(install.Dir() / "outside.txt", Bytes("outside"));
    const std::string outside = install.Dir() / "outside.txt";
    // The installation's read-only locations.
    std::filesystem::create_directories(install.Dir() / "Base/textures");
    WriteBytes(install.Dir() / "Base/textures/b.txt", Bytes("shared file"));
    std::filesystem::create_directories(install.Dir() / "builtin/pack");
    WriteBytes(install.Dir() / "builtin/pack/c.txt", Bytes("shared file"));
    WriteBytes(install.Dir() / "builtin/d.txt", Bytes("shared file"));

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* error;
    };
    const std::vector<Case> cases = {
        {"good.txt", FileReference("local", "other\\source.txt"), ""},
        {"forward.txt", FileReference("local", "other/source.txt"), ""},
        {"climb.txt", FileReference("local", "..\\..\\outside.txt"), "Failed to copy local file."},
        {"climb-inner.txt", FileReference("local", "other\\..\\other\\source.txt"), "Failed to copy local file."},
        {"absolute.txt", FileReference("", outside.c_str()), "Failed to copy local file."},
        {"absolute-in-location.txt", FileReference("local", outside.c_str()), "Failed to copy local file."},
        {"settings.txt", FileReference("settings", "internet.txt"), "Failed to copy local file."},
        {"cache.txt", FileReference("cache", "internet.txt"), "Failed to copy local file."},
        {"base.txt", FileReference("base", "textures\\b.txt"), ""},
        {"builtin.txt", FileReference("builtin", "d.txt"), ""},
        {"builtin-below.txt", FileReference("builtin\\pack", "c.txt"), ""},
        {"builtin-climb.txt", FileReference("builtin\\..\\UserData\\settings", "internet.txt"),
         "Failed to copy local file."},
        {"basement.txt", FileReference("basement", "internet.txt"), "Failed to copy local file."},
        {"missing.txt", FileReference("local", "other\\missing.txt"), "Failed to copy local file."},
        {"garbage.txt", Bytes(std::string("\x50\0\0\0ab", 6)), "Internal error while copying local file."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SoupHandle files;
        SetRaw(files, c.name, c.bytes);
        EXPECT_STREQ(Extract(files, "filepath").c_str(), c.error);
        const std::string target = install.Location("local", std::string("asset/") + c.name);
        if (*c.error == '\0')
            EXPECT_EQ(Text(ReadBytes(target)), "shared file");
        else
            EXPECT_FALSE(std::filesystem::exists(target));
    }
}

// A write the file system refuses (here past the file-size limit, as a full
// disk would) is reported with the system's cause, in either storage form:
// a decoded stream that could not be written is no damaged archive.
TEST(ArchiveExtraction, FailedWriteIsReportedWithItsCause) {
    Installation install;
    std::vector<uint8_t> noise(64 * 1024);
    std::mt19937 random(7);
    for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    struct Case {
        const char* compression;
        std::vector<uint8_t> stored;
    } cases[] = {{"", noise}, {"LZSS", LzssStored(noise)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.compression);
        SoupHandle files;
        SetRaw(files, "big.txt", c.stored);
        rlimit small = old;
        small.rlim_cur = 1000;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        const Vek::PString error = Extract(files, c.compression);
        ::setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_STREQ(error.c_str(), "Unable to write content files to disk: File too large");
    }
    // The same stream damaged is still the archive's fault.
    SoupHandle damaged;
    std::vector<uint8_t> stored = LzssStored(noise);
    stored[stored.size() / 2] ^= 0xff;
    SetRaw(damaged, "big.txt", stored);
    EXPECT_STREQ(Extract(damaged, "LZSS").c_str(), "Failed to decompress data. Content package may be damaged");
}

TEST(ArchiveExtraction, ExtractArchiveFileWithoutFolder) {
    Installation install;
    Vek::PString error;
    const RawDataRef bytes = MakeRawDataCopy(5, "image");
    ExtractArchiveFile(error, bytes, "local", "missing\\thumb.jpg", "");
    EXPECT_STREQ(error.c_str(), "Unable to write content files to disk");
    ExtractArchiveFile(error, bytes, "local", "thumb.jpg", "");
    EXPECT_STREQ(error.c_str(), "");
    EXPECT_EQ(Text(ReadBytes(install.Location("local", "thumb.jpg"))), "image");
}

}  // namespace
