#include "assetdb/archives/ArchiveSkippedFiles.h"

#include <sys/stat.h>

#include <set>
#include <utility>

#include "assetdb/archives/ArchivePathFilters.h"
#include "foundation/files/LocationFiles.h"
#include "foundation/files/PathRules.h"
#include "foundation/properties/VorlexPropertyAssetID.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/ACSChunk.h"

namespace {

std::string Below(const std::string& parent, const std::string& name) {
    return parent.empty() ? name : parent + "/" + name;
}

// The checks of extraction for one entry below the asset folder. `inside`
// is the entry's path there with the engine's separators, as extraction
// checks it.
bool FolderPasses(const char* name, const Vek::File::Path& inside) {
    return IsArchiveFileNameValid(name) && IsArchivePathValid(inside.c_str());
}

// One folder of a "files" container being walked, and the next tag.
struct SoupFrame {
    ChunkRef folder;
    int32_t next = 0;
    std::string path;
    Vek::File::Path inside;
    bool skipped = false;  // the folder or one above it is skipped
};

bool IsConfigName(std::string name) {
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name == "config.txt" || name == "config.chump";
}

}  // namespace

std::vector<SkippedArchiveFile> FindSkippedArchiveFiles(const SoupHandle& files) {
    std::vector<SkippedArchiveFile> skipped;
    if (!files.GetRoot()) return skipped;
    std::vector<SoupFrame> stack;
    stack.push_back(SoupFrame{files.GetRoot(), 0, std::string(), Vek::File::Path(), false});
    while (!stack.empty()) {
        SoupFrame& frame = stack.back();
        Vek::PString name;
        ChunkRef child;
        if (frame.next >= frame.folder->Count()) {
            stack.pop_back();
            continue;
        }
        if (!frame.folder->GetChildAt(frame.next++, name, child) || !child) continue;
        const std::string path = Below(frame.path, name.c_str());
        Vek::File::Path inside(frame.inside);
        inside.AddPath(name.c_str());
        if (child->GetKind() == ACSKind::kContainer) {
            const bool skippedBelow = frame.skipped || !FolderPasses(name.c_str(), inside);
            stack.push_back(SoupFrame{child, 0, path, inside, skippedBelow});
        } else if (child->GetKind() == ACSKind::kRaw) {
            if (frame.skipped || !IsArchiveFileNameValid(name.c_str()))
                skipped.push_back(SkippedArchiveFile{path, false});
            else if (!IsArchiveFileTypeAllowed(inside.c_str()))
                skipped.push_back(SkippedArchiveFile{path, true});
        }
    }
    return skipped;
}

std::vector<SkippedArchiveFile> FindSkippedArchiveFiles(const Vek::File::Path& folder) {
    // One folder being walked: its entries in listing order, the export's
    // order, and the next one to look at.
    struct DiskFrame {
        Vek::File::Path osFolder;
        std::string path;
        Vek::File::Path inside;
        bool skipped;
        std::vector<std::pair<std::string, bool>> entries;  // name, is a folder
        std::size_t next = 0;
    };
    std::vector<SkippedArchiveFile> skipped;
    std::set<std::pair<dev_t, ino_t>> walked;
    std::vector<DiskFrame> stack;
    const auto enter = [&](Vek::File::Path osFolder, std::string path, Vek::File::Path inside, bool skippedBelow) {
        struct stat info;
        const std::string os = Vek::File::ResolveOsPath(osFolder.c_str());
        if (os.empty() || ::stat(os.c_str(), &info) != 0 || !walked.insert({info.st_dev, info.st_ino}).second)
            return;
        DiskFrame frame{std::move(osFolder), std::move(path), std::move(inside), skippedBelow, {}, 0};
        Vek::File::Path pattern(frame.osFolder);
        pattern.AddPath("*");
        Vek::File::Find find;
        for (bool more = find.Open(pattern.c_str()); more; more = find.Next()) {
            const std::string name = find.GetName();
            if (IsDotOrDotDot(name.c_str())) continue;
            if (stack.empty() && !find.IsDirectory() && IsConfigName(name)) continue;
            frame.entries.emplace_back(name, find.IsDirectory());
        }
        stack.push_back(std::move(frame));
    };
    enter(folder, std::string(), Vek::File::Path(), false);
    while (!stack.empty()) {
        DiskFrame& frame = stack.back();
        if (frame.next >= frame.entries.size()) {
            stack.pop_back();
            continue;
        }
        const auto [name, isFolder] = frame.entries[frame.next++];
        const std::string path = Below(frame.path, name);
        Vek::File::Path inside(frame.inside);
        inside.AddPath(name.c_str());
        if (isFolder) {
            if (static_cast<int>(stack.size()) > kMaxTreeDepth) continue;
            Vek::File::Path osFolder(frame.osFolder);
            osFolder.AddPath(name.c_str());
            const bool skippedBelow = frame.skipped || !FolderPasses(name.c_str(), inside);
            enter(std::move(osFolder), path, std::move(inside), skippedBelow);  // `frame` may move
        } else if (frame.skipped || !IsArchiveFileNameValid(name.c_str())) {
            skipped.push_back(SkippedArchiveFile{path, false});
        } else if (!IsArchiveFileTypeAllowed(inside.c_str())) {
            skipped.push_back(SkippedArchiveFile{path, true});
        }
    }
    return skipped;
}

void WarnOfSkippedArchiveFiles(ResultsLog& log, const KUID& kuid, const std::vector<SkippedArchiveFile>& files) {
    for (const SkippedArchiveFile& file : files) {
        const std::string text = "The file \"" + file.path +
                                 "\" is left out when the asset is installed from an archive: " +
                                 (file.badType ? "its file type" : "a name on its path") +
                                 " is not one an archive install writes.";
        log.AddEntry(ResultsLogEntry::kWarning, PropertyRef::Adopt(new VorlexPropertyAssetID("AssetID", kuid)),
                     Vek::String(text.c_str()), nullptr);
    }
}
