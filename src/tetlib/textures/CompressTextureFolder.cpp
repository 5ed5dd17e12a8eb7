#include "tetlib/textures/CompressTextureFolder.h"

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "assetdb/layout/LocationResolution.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/files/LocationFiles.h"
#include "foundation/files/PathRules.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/SoupHandle.h"
#include "tetlib/textures/VADTextureConvertFileRPC.h"

namespace TETLib {

namespace {

void AddFileError(ResultsLog* log, const char* text, const char* fileName) {
    SoupHandle parameters;
    parameters.SetString(Vek::PString("file_name"), fileName);
    log->AddEntry(ResultsLogEntry::kError, PropertyRef(), Vek::String(text), &parameters);
}

// The folder the conversion must stay in: the location's folder (worked out
// from an absolute folder when no location is given), or, for a folder in no
// location, the folder itself.
Vek::File::Path LocationBoundary(const Vek::PString& location, const Vek::File::Path& folder) {
    Vek::PString resolved = location;
    Vek::File::Path inside(folder.c_str());
    if (resolved.IsEmpty() && !ResolveLocationFromPath(resolved, inside)) return folder;
    return resolved.IsEmpty() ? folder : GetLocationPath(resolved);
}

// The entry's path on disk, for the boundary test.
Vek::File::Path OnDisk(const Vek::PString& location, const Vek::File::Path& path) {
    if (location.IsEmpty()) return path;
    Vek::File::Path full = GetLocationPath(location);
    full.AddPath(path.c_str());
    return full;
}

// A folder or description that leads, through a symbolic link, out of the
// boundary is not converted: its compiled texture would be written outside.
bool LeadsOut(const Vek::File::Path& boundary, const Vek::PString& location, const Vek::File::Path& path,
              ResultsLog* log) {
    const Vek::File::Path onDisk = OnDisk(location, path);
    // What is not there is reported by the search or the job.
    if (!Vek::File::Exists(onDisk.c_str()) || ResolvesInsideFolder(boundary.c_str(), onDisk.c_str())) return false;
    AddFileError(log, "Unable to convert '$(FILE_NAME)': it leads out of its location", path.c_str());
    return true;
}

// The walk's state: the boundary and the folders already walked, by their
// path on disk, so that a link back to a folder above is not walked again.
struct Walk {
    Vek::File::Path boundary;
    std::set<std::string> walked;
};

int CompressInside(Walk& walk, const Vek::PString& location, const Vek::File::Path& folder, ResultsLog* log,
                   int depth) {
    if (LeadsOut(walk.boundary, location, folder, log)) return 0;
    std::error_code error;
    const std::string real =
        std::filesystem::weakly_canonical(Vek::File::ResolveOsPath(OnDisk(location, folder).c_str()), error).string();
    if (!error && !walk.walked.insert(real).second) return 2;
    Vek::File::Path pattern(folder.c_str());
    pattern.AddPath("*");
    Vek::File::Find find;
    if (depth > kMaxTreeDepth || !find.Open(pattern.c_str(), location)) {
        AddFileError(log, "Unable to search path: '$(FILE_NAME)'", folder.c_str());
        return 0;
    }
    bool all = true;
    std::vector<std::unique_ptr<VADTextureConvertFileRPC>> jobs;
    do {
        const std::string name = find.GetName();
        if (name == "." || name == "..") continue;
        Vek::File::Path path(folder.c_str());
        path.AddPath(name.c_str());
        if (find.IsDirectory()) {
            all = CompressInside(walk, location, path, log, depth + 1) == 2 && all;
        } else if (IsTextureTxtFileName(name.c_str())) {
            if (LeadsOut(walk.boundary, location, path, log)) {
                all = false;
                continue;
            }
            auto job = std::make_unique<VADTextureConvertFileRPC>();
            job->Start(location, path.c_str(), log);
            jobs.push_back(std::move(job));
        }
    } while (find.Next());

    bool dropped = false;
    for (auto& job : jobs) {
        if (!job->Wait()) all = false;
        // A dropped chain is reported, and the remaining jobs are still
        // waited for: they write to the caller's log.
        if (job->HasChainFailed() && !dropped) {
            dropped = true;
            Vek::String text;
            text.Format("%s (%s)", GetLocalisedText("$vad_texture_compress_err").c_str(),
                        job->GetDescriptionPath().c_str());
            log->AddEntry(ResultsLogEntry::kError, text.c_str());
        }
        job.reset();
    }
    if (dropped) return 1;
    return all ? 2 : 0;
}

}  // namespace

int CompressTextureFolderRecursive(const Vek::PString& location, const Vek::File::Path& folder, ResultsLog* log) {
    Walk walk;
    walk.boundary = LocationBoundary(location, folder);
    return CompressInside(walk, location, folder, log, 0);
}

int CompressTextureFolder(const Vek::PString& location, const Vek::File::Path& folder, ResultsLog* log) {
    return CompressTextureFolderRecursive(location, folder, log);
}

}  // namespace TETLib
