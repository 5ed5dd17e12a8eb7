#include "assetdb/assetinfo/VADAssetInfoAccessors.h"

#include "assetdb/assetinfo/VADAssetInfo.h"

namespace {

// A fresh record filled with `detail`; false when it did not come or the
// asset is unknown.
bool Ask(const KUID& asset, int32_t detail, VADAssetInfo& info) { return VADGetAssetInfo(asset, info, detail) != 0; }

}  // namespace

Vek::String VADGetAssetUsername(const KUID& asset) {
    VADAssetInfo info;
    return Ask(asset, 1, info) ? info.displayName : Vek::String();
}

Vek::String VADGetAssetKeywords(const KUID& asset) {
    VADAssetInfo info;
    return Ask(asset, 4, info) ? info.keywords : Vek::String();
}

Vek::String VADGetAssetCategoryRegion(const KUID& asset) {
    VADAssetInfo info;
    return Ask(asset, 4, info) ? info.categoryRegion : Vek::String();
}

Vek::String VADGetAssetCategoryEra(const KUID& asset) {
    VADAssetInfo info;
    return Ask(asset, 4, info) ? info.categoryEra : Vek::String();
}

bool VADIsAssetBuiltIn(const KUID& asset) {
    VADAssetInfo info;
    return Ask(asset, 0, info) && (info.statusA & VADAssetInfo::kBuiltIn) != 0;
}

bool VADIsAssetLocallyModified(const KUID& asset) {
    VADAssetInfo info;
    return !Ask(asset, 8, info) || (info.statusA & VADAssetInfo::kLocallyModified) != 0;
}

bool VADIsAssetInstalled(const KUID& asset) {
    VADAssetInfo info;
    return !Ask(asset, 8, info) || (info.statusA & VADAssetInfo::kInstalled) != 0;
}

bool VADIsAssetFaulty(const KUID& asset) {
    VADAssetInfo info;
    return !Ask(asset, 8, info) || (info.statusB & VADAssetInfo::kFaulty) != 0;
}

bool VADHasPrebuiltScripts(const KUID& asset) {
    VADAssetInfo info;
    return !Ask(asset, 8, info) || (info.statusB & VADAssetInfo::kScriptsPrebuilt) != 0;
}

bool VADHasMissingDependencies(const KUID& asset, bool countUninstalled) {
    VADAssetInfo info;
    if (!Ask(asset, 8, info)) return true;
    if (info.statusB & VADAssetInfo::kMissingDependencies) return true;
    return countUninstalled && (info.statusA & VADAssetInfo::kInstalled) == 0;
}
