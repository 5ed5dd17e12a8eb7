#include "frontend/commands/AssetEditWords.h"

#include <cstdio>

#include "assetdb/assetinfo/VADAssetInfo.h"
#include "assetdb/client/VADRequestFailures.h"
#include "assetdb/requests/VADAssetEdits.h"
#include "assetdb/requests/VADAssetHandle.h"
#include "foundation/results/ResultsLog.h"

namespace {

bool MissingAsset(CommandArguments& args) {
    if (!args.a.empty()) return false;
    AddCommandError(args.log, "Missing AssetID parameter.");
    return true;
}

// The detail mask that asks for the whole asset-info record.
constexpr int32_t kWholeRecord = -1;

// Adds the reason a commit, revert or delete of `asset` failed, when no
// error says it yet: these words send their open, revert and delete
// requests without a log, so the daemon's own reason never reaches the
// word. The reason comes from the daemon's record of the asset: unknown,
// or (`needsEdits`) not open for editing; else `otherwise`. Nothing is
// added after a failure of the link, which the dispatcher reports itself.
void AddFailureReason(CommandArguments& args, const KUID& asset, bool needsEdits, const char* otherwise) {
    if (args.log.GetErrorCount() > 0 || VADRequestFailuresRecorded()) return;
    VADAssetInfo info;
    const bool found = VADGetAssetInfo(asset, info, kWholeRecord) != 0;
    if (VADRequestFailuresRecorded()) return;
    if (!found)
        AddAssetError(args.log, "Unknown AssetID.", asset);
    else if (needsEdits && (info.statusB & VADAssetInfo::kOpenForEdit) == 0)
        AddAssetError(args.log, "The asset is not open for editing.", asset);
    else
        AddAssetError(args.log, otherwise, asset);
}

}  // namespace

int32_t RunEditWord(CommandArguments& args) {
    if (MissingAsset(args)) return -1;
    const KUID asset = args.StrictKuid();
    VADAssetHandle handle = VADOpenAsset(asset, true, &args.log);
    if (!handle.IsValid()) {
        AddAssetError(args.log, "Unknown AssetID.", asset);
        return -1;
    }
    Vek::PString location;
    Vek::File::Path folder;
    handle.GetLocation(location, folder);
    std::printf("+ %s : %s\n", asset.ToTagString().c_str(), folder.c_str());
    return 0;
}

int32_t RunCommitWord(CommandArguments& args) {
    if (MissingAsset(args)) return -1;
    const KUID asset = args.StrictKuid();
    VADAssetHandle handle = VADOpenAsset(asset, true, nullptr);
    const bool opened = handle.IsValid();
    uint8_t second = 0;
    const uint8_t ok = VADCommitAsset(handle, 0, &args.log, second);
    handle.Release();
    if (ok) return 0;
    AddFailureReason(args, asset, false,
                     opened ? "The asset could not be committed." : "The asset could not be opened for editing.");
    return -1;
}

int32_t RunRevertWord(CommandArguments& args) {
    if (MissingAsset(args)) return -1;
    const KUID asset = args.StrictKuid();
    VADAssetHandle handle = VADOpenAsset(asset, false, nullptr);
    const bool opened = handle.IsValid();
    const uint8_t ok = VADRevertAsset(handle, nullptr);
    handle.Release();
    if (ok) return 0;
    AddFailureReason(args, asset, true,
                     opened ? "The asset's edits could not be reverted." : "The asset could not be opened.");
    return -1;
}

int32_t RunDeleteWord(CommandArguments& args) {
    if (MissingAsset(args)) return -1;
    const KUID asset = args.StrictKuid();
    if (VADDeleteAsset(asset, 1, nullptr)) return 0;
    AddFailureReason(args, asset, false, "The asset could not be deleted.");
    return -1;
}
