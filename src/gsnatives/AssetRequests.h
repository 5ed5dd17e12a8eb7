#pragma once
// The asset-database requests that the script asset objects and asset
// searches make, gathered in one table so that a host (or a test) can put
// another source of answers in place of the daemon. The default table asks
// the daemon through the client's request functions.
#include <cstdint>

#include "assetdb/assetinfo/VADAssetInfo.h"
#include "assetdb/requests/VADKuidList.h"
#include "assetdb/specs/SpecHandle.h"
#include "engine/AnsiString.h"
#include "engine/File.h"
#include "engine/PString.h"
#include "foundation/kuid/KUID.h"
#include "foundation/soups/SoupHandle.h"

class VADFilterElement;

namespace GSNatives {

struct AssetRequests {
    KUID (*resolveKuid)(const KUID& asset);
    KUID (*getLatestKuid)(const KUID& asset);
    bool (*searchAssets)(const VADFilterElement* filter, VADKuidList& results);
    uint8_t (*getAssetInfo)(const KUID& asset, VADAssetInfo& info, int32_t detail);
    SoupHandle (*getAssetConfig)(const KUID& asset);
    Vek::String (*getAssetDescription)(const KUID& asset);
    bool (*getAssetDependencies)(const KUID& asset, VADKuidList& result);
    bool (*isAssetLocallyModified)(const KUID& asset);
    bool (*isAssetBuiltIn)(const KUID& asset);
    void (*setAssetFavorite)(const KUID& asset, bool favourite);
    // Opens the asset read-only without a log, asks its location and
    // releases it; false when the location is unknown.
    bool (*getAssetLocation)(const KUID& asset, Vek::PString& location, Vek::File::Path& folder);
    // The asset's base AssetSpec (GetVorlexBaseSpec); empty when none.
    SpecHandle (*getBaseSpec)(const KUID& asset);
};

// The table that asks the daemon.
const AssetRequests& DaemonAssetRequests();
// The table in use (the daemon's until another is set).
const AssetRequests& GetAssetRequests();
// Puts `requests` in use; every entry must be set.
void SetAssetRequests(const AssetRequests& requests);

}  // namespace GSNatives
