#pragma once
// One field of an asset's info record, each asked on a fresh record with
// the detail the field needs. A failed request, and an asset the daemon
// does not know (found 0), give the failure answer named here.
#include "engine/AnsiString.h"
#include "foundation/kuid/KUID.h"

// Detail 1: the display name; failure: empty.
Vek::String VADGetAssetUsername(const KUID& asset);
// Detail 4: keywords, category region, category era; failure: empty.
Vek::String VADGetAssetKeywords(const KUID& asset);
Vek::String VADGetAssetCategoryRegion(const KUID& asset);
Vek::String VADGetAssetCategoryEra(const KUID& asset);
// Detail 0: status A bit 4; failure: false.
bool VADIsAssetBuiltIn(const KUID& asset);
// Detail 8, each with failure true: status A bit 2, status A bit 3, status B
// bit 1, status B bit 5.
bool VADIsAssetLocallyModified(const KUID& asset);
bool VADIsAssetInstalled(const KUID& asset);
bool VADIsAssetFaulty(const KUID& asset);
bool VADHasPrebuiltScripts(const KUID& asset);
// Detail 8: status B bit 3, or with `countUninstalled` also when status A
// bit 3 (installed) is clear; failure: true.
bool VADHasMissingDependencies(const KUID& asset, bool countUninstalled);
