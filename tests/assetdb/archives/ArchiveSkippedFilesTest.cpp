#include "assetdb/archives/ArchiveSkippedFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "ArchiveTestSupport.h"
#include "assetdb/archives/ArchiveExtraction.h"
#include "foundation/results/ResultsLog.h"

using namespace ArchiveTest;

namespace {

// An asset's files: kept ones, ones skipped for their type and ones
// skipped for a name on their path, with folders of each kind.
struct Entry {
    const char* path;  // '/' between components
    const char* skip;  // "", "type" or "name"
};
const Entry kEntries[] = {
    {".svn/entries.txt", "name"},
    {".svn/deep/more.txt", "name"},
    {"art/body.pm", ""},
    {"art/maps/T.TEXTURE", ""},
    {"art/maps/raw.psd", "type"},
    {"art/~old/x.txt", "name"},
    {"data.bin", "type"},
    {"notes.txt", ""},
    {"picture.png", "type"},
    {"noextension", "type"},
    {"trail.txt ", "name"},
    {"a~b.txt", ""},
};

std::vector<std::pair<std::string, bool>> Expected() {
    std::vector<std::pair<std::string, bool>> out;
    for (const Entry& entry : kEntries)
        if (*entry.skip) out.emplace_back(entry.path, std::string(entry.skip) == "type");
    return out;
}

std::vector<std::pair<std::string, bool>> Flat(const std::vector<SkippedArchiveFile>& files) {
    std::vector<std::pair<std::string, bool>> out;
    for (const SkippedArchiveFile& file : files) out.emplace_back(file.path, file.badType);
    return out;
}

// The entries as a "files" container, in the order of the table.
SoupHandle FilesContainer() {
    SoupHandle files;
    files.EnsureContainer();
    for (const Entry& entry : kEntries) {
        ChunkRef folder = files.GetRoot();
        std::string rest = entry.path;
        for (std::size_t slash; (slash = rest.find('/')) != std::string::npos; rest.erase(0, slash + 1)) {
            const Vek::PString name(rest.substr(0, slash).c_str());
            ChunkRef child = folder->GetChild(name);
            if (!child || child->GetKind() != ACSKind::kContainer) {
                child = folder->CreateChunk(ACSKind::kContainer, RawDataRef());
                folder->AppendChild(name, child);
            }
            folder = child;
        }
        const std::vector<uint8_t> bytes = Bytes(entry.path);
        folder->AppendChild(Vek::PString(rest.c_str()),
                            folder->CreateChunk(ACSKind::kRaw, MakeRawDataCopy(static_cast<int32_t>(bytes.size()),
                                                                               bytes.data())));
    }
    return files;
}

}  // namespace

// What the list names is exactly what extraction leaves out.
TEST(ArchiveSkippedFiles, AnArchiveEntryNamesWhatExtractionLeavesOut) {
    Installation install;
    const SoupHandle files = FilesContainer();
    const std::vector<SkippedArchiveFile> skipped = FindSkippedArchiveFiles(files);
    EXPECT_EQ(Flat(skipped), Expected());

    Vek::PString error;
    ExtractArchiveFolder(error, files, "local", "asset", "");
    EXPECT_STREQ(error.c_str(), "");
    std::vector<std::string> kept;
    for (const Entry& entry : kEntries)
        if (!*entry.skip) kept.push_back(entry.path);
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(FilesBelow(install.Location("local", "asset")), kept);

    EXPECT_TRUE(FindSkippedArchiveFiles(SoupHandle()).empty());
}

// A folder on disk is listed in the export's order, without its
// configuration, and each skipped file becomes a warning naming it.
TEST(ArchiveSkippedFiles, AnAssetFolderOnDiskNamesTheSameFiles) {
    VorlexTest::TempDir dir;
    const std::string folder = dir / "Asset";
    for (const Entry& entry : kEntries) {
        std::filesystem::create_directories(std::filesystem::path(folder + "/" + entry.path).parent_path());
        WriteBytes(folder + "/" + entry.path, Bytes(entry.path));
    }
    WriteBytes(folder + "/config.txt", Bytes("kind scenery\n"));
    WriteBytes(folder + "/art/config.bin", Bytes("below the top: an ordinary file"));
    std::filesystem::create_directory_symlink(folder + "/art", folder + "/art/maps/loop");

    // Listings are sorted by name, as the export reads them (here that is
    // the byte order of the whole paths); the loop back to "art" is not
    // followed.
    std::vector<std::pair<std::string, bool>> expected = Expected();
    expected.emplace_back("art/config.bin", true);
    std::sort(expected.begin(), expected.end());
    const std::vector<SkippedArchiveFile> skipped = FindSkippedArchiveFiles(Vek::File::Path(folder.c_str()));
    EXPECT_EQ(Flat(skipped), expected);

    ResultsLog log;
    WarnOfSkippedArchiveFiles(log, KUID(3, 100, 0), {{"data.bin", true}, {".svn/entries.txt", false}});
    ASSERT_EQ(log.GetEntryCount(), 2u);
    EXPECT_EQ(log.GetWarningCount(), 2);
    EXPECT_STREQ(log.GetEntry(0).text.c_str(),
                 "The file \"data.bin\" is left out when the asset is installed from an archive: its file type is "
                 "not one an archive install writes.");
    EXPECT_STREQ(log.GetEntry(1).text.c_str(),
                 "The file \".svn/entries.txt\" is left out when the asset is installed from an archive: a name on "
                 "its path is not one an archive install writes.");
}
