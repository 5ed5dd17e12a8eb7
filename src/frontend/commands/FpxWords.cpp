#include "frontend/commands/FpxWords.h"

#include "assetdb/assetinfo/VADAssetInfo.h"
#include "assetdb/filters/VADFilterElementBool.h"
#include "assetdb/fpx/InstallFromFpx.h"
#include "assetdb/fpx/ParseFpxPackage.h"
#include "assetdb/requests/VADAssetEdits.h"
#include "assetdb/requests/VADAssetLookups.h"
#include "assetdb/requests/VADSearchAssets.h"
#include "foundation/results/ResultsLog.h"
#include "frontend/commands/PrintAssetStatus.h"
#include "frontend/commands/ValidateAsset.h"

bool DeleteAllFpxAssets(ResultsLog&) {
    const VADFilterElementBool local(VADFilterElementBool::kLocal);
    VADKuidList found;
    VADSearchAssets(&local, found);
    for (auto it = found.Begin(); it; ++it) VADDeleteAsset(*it, 1, nullptr);
    return true;
}

int32_t RunInstallFromFpxWord(CommandArguments& args) {
    const KUID asset = args.StrictKuid();
    if (asset.IsNull()) {
        AddCommandError(args.log, "Missing AssetID parameter.");
        return -1;
    }
    InstallFromFpx(asset, &args.log);
    // Done when the newest version is installed now, whether this run
    // installed it or it was there already. Judged by the daemon's record:
    // a record that cannot be read is no proof of an install.
    VADAssetInfo info;
    const KUID latest = VADGetLatestKuid(asset);
    const bool installed = !latest.IsNull() && VADGetAssetInfo(latest, info, 8) &&
                           (info.statusA & VADAssetInfo::kInstalled) != 0;
    if (installed) return 0;
    // The install's own messages say what went wrong; without any, say that
    // nothing was installed.
    if (args.log.GetErrorCount() == 0) AddAssetError(args.log, "The asset was not installed.", asset);
    return -1;
}

int32_t RunFpxParseWord(CommandArguments& args) {
    if (args.a.empty()) {
        AddCommandError(args.log, "Missing CDP filepath.");
        return -1;
    }
    FpxAssetChecks checks;
    checks.printStatus = PrintAssetStatus;
    checks.validate = ValidateAsset;
    return ParseFpxPackage(args.Arg(2), args.log, checks) ? 0 : -1;
}

int32_t RunFpxDeleteAllWord(CommandArguments& args) {
    DeleteAllFpxAssets(args.log);
    return 0;
}
