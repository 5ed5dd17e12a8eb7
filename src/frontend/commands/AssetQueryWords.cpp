#include "frontend/commands/AssetQueryWords.h"

#include <cstdio>
#include <string>

#include "assetdb/requests/VADAssetLookups.h"
#include "assetdb/requests/VADDaemonState.h"
#include "assetdb/requests/VADGenerateKuid.h"
#include "engine/File.h"
#include "foundation/files/ReplacementFile.h"
#include "foundation/soups/SoupPrinting.h"

int32_t RunPrintConfigWord(CommandArguments& args) {
    if (args.a.empty()) {
        AddCommandError(args.log, "Missing AssetID parameter.");
        return -1;
    }
    const KUID asset = args.StrictKuid();
    const SoupHandle config = VADGetAssetConfig(asset);
    if (config.IsEmpty()) {
        AddAssetError(args.log, "Asset is not local.", asset);
        return -1;
    }
    const Vek::PString tag = asset.ToTagString();
    std::printf("+ Start of %s dump\n", tag.c_str());
    std::fflush(stdout);
    PrintSoupAsText(config);
    std::printf("+ End of %s dump\n", tag.c_str());
    return 0;
}

int32_t RunGenerateKuidWord(CommandArguments& args) {
    // The daemon's reason for the null KUID, if any, goes to the log.
    const KUID kuid = VADGenerateKuid(&args.log);
    std::printf("<KUID2:%d:%u:%u>\n", kuid.GetUserID(), static_cast<uint32_t>(kuid.GetContentID()),
                static_cast<uint32_t>(kuid.GetVersion()));
    return kuid.IsNull() ? -1 : 0;
}

int32_t RunListBuildsWord(CommandArguments& args) {
    if (args.a.empty()) {
        AddCommandError(args.log, "Missing path parameter.");
        return -1;
    }
    // Written beside the file and renamed over it when whole: a failure
    // leaves an earlier file of that name as it was.
    ReplacementFile file(args.a.c_str());
    if (!file.Open()) {
        AddCommandError(args.log, "Failed to open output file.");
        return -1;
    }
    Vek::PString builds;
    if (!VADReadInstalledBuilds(builds)) {
        AddCommandError(args.log, "Unable to read the installed builds.");
        return -1;
    }
    const std::string line = std::string(builds.c_str()) + "\n";
    if (!file.Write(line.data(), line.size()) || !file.Commit()) {
        AddCommandError(args.log, "Failed to write output file.");
        return -1;
    }
    return 0;
}
