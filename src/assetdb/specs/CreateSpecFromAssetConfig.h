#pragma once
// Making the AssetSpec of an asset from the configuration in its folder.
#include "assetdb/specs/SpecFilter.h"
#include "assetdb/specs/SpecHandle.h"
#include "engine/PString.h"
#include "foundation/kuid/KUID.h"

// Loads the configuration from `folder` inside `location`
// (LoadAssetConfigSoup); no configuration or one without tags gives an empty
// handle. Otherwise the registry makes and registers a spec
// (SpecRegistry::CreateSpec) with the folder's last component as folder name
// and the rest, without trailing separators, as parent folder. A spec that
// `filter` refuses gives an empty handle but stays registered; a spec that
// proves invalid when loaded (AssetSpec::EnsureLoaded) gives an empty handle.
// Empty also while no registry exists.
SpecHandle CreateSpecFromAssetConfig(const KUID& kuid, const Vek::PString& location, const char* folder,
                                     SpecFilter filter);

// The split of CreateSpecFromAssetConfig: `folder` ends at its last '/' or
// '\'; the parent is what comes before, without trailing separators.
void SplitAssetFolder(const char* folder, Vek::String& parent, Vek::String& name);
