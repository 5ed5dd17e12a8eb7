#include "frontend/commands/InstallWords.h"

#include "assetdb/requests/VADInstallRequests.h"
#include "frontend/commands/CommandPaths.h"
#include "frontend/commands/InstallFromPath.h"

namespace {

// The install flags of the two words.
constexpr int32_t kArchiveInstallFlags = 2;
constexpr int32_t kFolderInstallFlags = 0;

// The user's path as typed, not lower-cased: a path that exists as written
// is the one used, and the file layer looks for another letter case only
// where it does not (so "Pack" is not taken for a sibling "pack").
Vek::File::Path UserPath(const CommandArguments& args) { return JoinToFolder(args.startupDirectory, args.Arg(2)); }

}  // namespace

int32_t RunInstallCdpWord(CommandArguments& args) {
    if (args.a.empty()) {
        AddCommandError(args.log, "Missing input filepath parameter.");
        return -1;
    }
    const Vek::File::Path path = UserPath(args);
    uint8_t out = 0;
    return VADInstallArchiveFile(path.c_str(), &args.log, kArchiveInstallFlags, out, nullptr) != 0 ? 0 : -1;
}

int32_t RunInstallFromPathWord(CommandArguments& args) {
    if (args.a.empty()) {
        AddCommandError(args.log, "Missing input path parameter.");
        return -1;
    }
    const Vek::File::Path path = UserPath(args);
    if (!Vek::File::Exists(path.c_str())) {
        AddCommandError(args.log, "Invalid input path.");
        return -1;
    }
    uint8_t out = 0;
    int32_t failed = 0;
    // Done only when asset folders were found and each of them installed.
    const int32_t found = InstallFromPath(path, &args.log, kFolderInstallFlags, out, nullptr, &failed);
    if (found == 0) {
        // Nothing was sent, so nothing else says why.
        AddCommandError(args.log, Vek::File::IsDirectory(path.c_str())
                                      ? "No asset was found in the input folder: neither it nor a folder below "
                                        "it holds \"config.txt\" or \"config.chump\"."
                                      : "The input path is not a folder.");
        return -1;
    }
    return failed == 0 ? 0 : -1;
}
