#include "tetlib/textures/CompressTextureFolder.h"

#include <memory>
#include <vector>

#include "foundation/files/PathRules.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/SoupHandle.h"
#include "tetlib/textures/VADTextureConvertFileRPC.h"

namespace TETLib {

int CompressTextureFolderRecursive(const Vek::PString& location, const Vek::File::Path& folder, ResultsLog* log) {
    Vek::File::Path pattern(folder.c_str());
    pattern.AddPath("*");
    Vek::File::Find find;
    if (!find.Open(pattern.c_str(), location)) {
        SoupHandle parameters;
        parameters.SetString(Vek::PString("file_name"), folder.c_str());
        log->AddEntry(ResultsLogEntry::kError, PropertyRef(), Vek::String("Unable to search path: '$(FILE_NAME)'"),
                      &parameters);
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
            all = CompressTextureFolderRecursive(location, path, log) == 2 && all;
        } else if (IsTextureTxtFileName(name.c_str())) {
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

int CompressTextureFolder(const Vek::PString& location, const Vek::File::Path& folder, ResultsLog* log) {
    return CompressTextureFolderRecursive(location, folder, log);
}

}  // namespace TETLib
