#include "frontend/commands/AssetEditWords.h"

#include <cstdio>

#include "assetdb/requests/VADAssetEdits.h"
#include "assetdb/requests/VADAssetHandle.h"

namespace {

bool MissingAsset(CommandArguments& args) {
    if (!args.a.empty()) return false;
    AddCommandError(args.log, "Missing AssetID parameter.");
    return true;
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
    VADAssetHandle handle = VADOpenAsset(args.StrictKuid(), true, nullptr);
    uint8_t second = 0;
    const uint8_t ok = VADCommitAsset(handle, 0, &args.log, second);
    handle.Release();
    return ok ? 0 : -1;
}

int32_t RunRevertWord(CommandArguments& args) {
    if (MissingAsset(args)) return -1;
    VADAssetHandle handle = VADOpenAsset(args.StrictKuid(), false, nullptr);
    const uint8_t ok = VADRevertAsset(handle, nullptr);
    handle.Release();
    return ok ? 0 : -1;
}

int32_t RunDeleteWord(CommandArguments& args) {
    if (MissingAsset(args)) return -1;
    return VADDeleteAsset(args.StrictKuid(), 1, nullptr) ? 0 : -1;
}
