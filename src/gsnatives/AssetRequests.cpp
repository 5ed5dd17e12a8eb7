#include "gsnatives/AssetRequests.h"

#include "assetdb/assetinfo/VADAssetInfoAccessors.h"
#include "assetdb/requests/VADAssetDependencies.h"
#include "assetdb/requests/VADAssetHandle.h"
#include "assetdb/requests/VADAssetLookups.h"
#include "assetdb/requests/VADAssetMarks.h"
#include "assetdb/requests/VADSearchAssets.h"
#include "assetdb/specs/GetSpecForKuid.h"

namespace GSNatives {

namespace {

bool GetAssetLocation(const KUID& asset, Vek::PString& location, Vek::File::Path& folder) {
    VADAssetHandle handle = VADOpenAsset(asset, false, nullptr);
    return handle.IsValid() && handle.GetLocation(location, folder);
}

SpecHandle GetBaseSpec(const KUID& asset) { return GetVorlexBaseSpec(asset, 0); }

const AssetRequests kDaemon = {
    &VADResolveKuid,      &VADGetLatestKuid,        &VADSearchAssets,           &VADGetAssetInfo,
    &VADGetAssetConfig,   &VADGetAssetDescription,  &VADGetAssetDependencies,   &VADIsAssetLocallyModified,
    &VADIsAssetBuiltIn,   &VADSetAssetFavorite,     &GetAssetLocation,          &GetBaseSpec,
};

AssetRequests g_requests = kDaemon;

}  // namespace

const AssetRequests& DaemonAssetRequests() { return kDaemon; }
const AssetRequests& GetAssetRequests() { return g_requests; }
void SetAssetRequests(const AssetRequests& requests) { g_requests = requests; }

}  // namespace GSNatives
