#pragma once
// The KUID lists an archive derives from its asset soups: what an asset
// depends on and what it makes obsolete. The lists are indexed, so that
// collecting them over thousands of assets costs time linear in the KUIDs.
#include "foundation/kuid/KUID.h"
#include "foundation/soups/SoupHandle.h"
#include "foundation/soups/IndexedKuidSet.h"

// Appends to `out` (skipping KUIDs it holds) the dependencies of one asset
// soup, in this order:
//  - every KUID anywhere in the soup (KUID tags, and text tags that parse
//    strictly as KUIDs, recursing into containers);
//  - the KUIDs of "kuid-table";
//  - the named KUID tags "alias", "bridgetrack", "bogey",
//    "preview-mesh-kuid", "map-kuid", "product-category", "bogey-1",
//    "bogey-1-r", "interior", "enginespec", "enginesound";
//  - for a "traincar" (any letter case) with "engine" 1 and no "interior",
//    the default interior <kuid2:-10:172:127>.
// The null KUID, `own`, and the KUIDs of "obsolete-table" and
// "optional-kuid-table" are left out.
void CollectAssetDependencies(const KUID& own, const SoupHandle& soup, IndexedKuidSet& out);

// Appends to `out` the KUIDs of the soup's "obsolete-table" and its
// "obsoletes-kuid" (null KUIDs and KUIDs already held are skipped), then
// removes `own` from `out`: the last entry of its block takes its place.
// Run over one list asset by asset, an asset that the archive holds stays
// obsolete only when the asset obsoleting it comes later.
void CollectAssetObsoletes(const KUID& own, const SoupHandle& soup, IndexedKuidSet& out);
