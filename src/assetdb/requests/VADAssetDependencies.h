#pragma once
// The dependencies (operation 42) and the obsoleted assets (operation 43)
// of assets. Each answers true; a failed request leaves the result list as
// it was.
#include "assetdb/requests/VADKuidList.h"

// Payload: int32 n, the number of KUIDs of `assets`, then each in list
// order. Reply: int32 m and m KUIDs, appended to `result`.
bool VADGetDependencyList(const VADKuidList& assets, VADKuidList& result);
// The same for one asset: the count 1 and the KUID.
bool VADGetAssetDependencies(const KUID& asset, VADKuidList& result);
// Payload: KUID. Reply: int32 m and m KUIDs, appended to `result`.
bool VADGetAssetObsoletes(const KUID& asset, VADKuidList& result);
