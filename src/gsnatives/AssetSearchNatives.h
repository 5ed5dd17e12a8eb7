#pragma once
// The asset searches of the script class VorlexScriptBase: FindAsset by
// KUID, SearchAssets by category text, FindUpdatedAssets and the two
// GetAssetList forms by asset kind. The searches send a filter tree
// (AssetSearchFilters.h) to the asset database and answer a new script
// array of KUID or Asset objects of the calling context, in the order of
// the answer; a KUID for which no object can be had is left out, so the
// array has no holes. A failed or empty search gives an empty array.
#include "assetdb/requests/VADKuidList.h"

namespace GSRuntime {
class GSArray;
class GSContext;
}  // namespace GSRuntime

namespace GSNatives {

// New arrays of `context` holding the objects of the KUIDs; the creation
// count is the caller's. Null when the script-object heap has no room.
GSRuntime::GSArray* MakeKUIDArray(GSRuntime::GSContext* context, const VADKuidList& kuids);
GSRuntime::GSArray* MakeAssetArray(GSRuntime::GSContext* context, const VADKuidList& kuids);

// Registers the five natives of VorlexScriptBase.
void RegisterAssetSearchNatives();

}  // namespace GSNatives
