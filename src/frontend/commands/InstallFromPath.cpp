#include "frontend/commands/InstallFromPath.h"

#include <climits>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "assetdb/archives/ArchiveSkippedFiles.h"
#include "assetdb/client/VADRecordingPromptHandler.h"
#include "assetdb/requests/VADInstallRequests.h"
#include "foundation/files/PathRules.h"

namespace {

// The folder's real location, for telling a folder met again through a
// symbolic link; empty when it cannot be resolved.
std::string RealFolder(const Vek::File::Path& folder) {
    const std::string os = Vek::File::ResolveOsPath(folder.c_str());
    if (os.empty()) return std::string();
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(os.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

bool HasConfiguration(const Vek::File::Path& folder) {
    for (const char* name : {"config.txt", "config.chump"}) {
        Vek::File::Path config(folder);
        config.AddPath(name);
        if (Vek::File::Exists(config.c_str()) && !Vek::File::IsDirectory(config.c_str())) return true;
    }
    return false;
}

bool Cancelled(VADPromptHandler* handler) {
    const auto* recording = dynamic_cast<VADRecordingPromptHandler*>(handler);
    return recording && recording->IsCancelled();
}

// One folder being walked: its entries in order, and its real location,
// which stays in the chain of open folders while it is walked.
struct OpenFolder {
    OpenFolder(const Vek::File::Path& path, std::string location) : folder(path), real(std::move(location)) {}
    Vek::File::Path folder;
    std::string real;
    Vek::File::Find find;
    bool more = false;
};

// Installs every asset folder at or below `top`, depth first in the order the
// folders list their entries. The walk keeps its own stack of open folders,
// so a deep tree costs memory in its depth and never the call stack.
int32_t InstallBelow(const Vek::File::Path& top, ResultsLog* log, int32_t flags, uint8_t& out,
                     VADPromptHandler* handler, std::set<std::string>& chain, int32_t& failed) {
    int32_t found = 0;
    std::vector<std::unique_ptr<OpenFolder>> open;
    // An asset folder is installed; any other folder is opened for walking,
    // unless it is already open further up (met again through a link).
    auto takeUp = [&](const Vek::File::Path& folder) {
        if (folder.IsEmpty()) return;
        if (HasConfiguration(folder)) {
            // No asset back (the null KUID): refused, not read, or no reply.
            const KUID installed = VADInstallFromFolder(folder, log, flags, out, handler);
            if (installed.IsNull()) {
                if (failed < INT32_MAX) ++failed;
            } else if (log) {
                // Installed whole; an archive made of it later will not be.
                WarnOfSkippedArchiveFiles(*log, installed, FindSkippedArchiveFiles(folder));
            }
            if (found < INT32_MAX) ++found;
            return;
        }
        if (!Vek::File::IsDirectory(folder.c_str())) return;
        std::string real = RealFolder(folder);
        if (real.empty() || !chain.insert(real).second) return;
        auto level = std::make_unique<OpenFolder>(folder, std::move(real));
        Vek::File::Path pattern(folder);
        pattern.AddPath("*");
        level->more = level->find.Open(pattern.c_str());
        open.push_back(std::move(level));
    };

    takeUp(top);
    while (!open.empty()) {
        OpenFolder& level = *open.back();
        if (!level.more || Cancelled(handler)) {
            chain.erase(level.real);
            open.pop_back();
            continue;
        }
        const std::string name = level.find.GetName();
        level.more = level.find.Next();
        if (IsDotOrDotDot(name.c_str())) continue;
        Vek::File::Path entry(level.folder);
        entry.AddPath(name.c_str());
        takeUp(entry);
    }
    return found;
}

}  // namespace

int32_t InstallFromPath(const Vek::File::Path& folder, ResultsLog* log, int32_t flags, uint8_t& out,
                        VADPromptHandler* handler, int32_t* failed) {
    std::set<std::string> chain;
    int32_t notInstalled = 0;
    const int32_t found = InstallBelow(folder, log, flags, out, handler, chain, notInstalled);
    if (failed) *failed = notInstalled;
    return found;
}
