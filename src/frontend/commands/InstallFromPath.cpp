#include "frontend/commands/InstallFromPath.h"

#include <climits>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>

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

int32_t InstallBelow(const Vek::File::Path& folder, ResultsLog* log, int32_t flags, uint8_t& out,
                     VADPromptHandler* handler, std::set<std::string>& chain, int32_t& failed) {
    if (folder.IsEmpty()) return 0;
    if (HasConfiguration(folder)) {
        // No asset back (the null KUID): refused, not read, or no reply.
        const KUID installed = VADInstallFromFolder(folder, log, flags, out, handler);
        if (installed.IsNull()) {
            if (failed < INT32_MAX) ++failed;
        } else if (log) {
            // Installed whole; an archive made of it later will not be.
            WarnOfSkippedArchiveFiles(*log, installed, FindSkippedArchiveFiles(folder));
        }
        return 1;
    }
    if (!Vek::File::IsDirectory(folder.c_str())) return 0;
    const std::string real = RealFolder(folder);
    if (real.empty() || !chain.insert(real).second) return 0;

    Vek::File::Path pattern(folder);
    pattern.AddPath("*");
    Vek::File::Find find;
    int32_t found = 0;
    for (bool more = find.Open(pattern.c_str()); more; more = find.Next()) {
        if (IsDotOrDotDot(find.GetName())) continue;
        Vek::File::Path entry(folder);
        entry.AddPath(find.GetName());
        const int32_t below = InstallBelow(entry, log, flags, out, handler, chain, failed);
        if (found <= INT32_MAX - below) found += below;
        if (Cancelled(handler)) break;
    }
    chain.erase(real);
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
