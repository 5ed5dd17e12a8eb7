#pragma once
// Evaluates a search-filter tree over every asset of the store (operation
// 2). The facts each condition asks about:
//   Bool   local (0), locally available (3): a committed copy lies in
//          "local"; locally enabled (10): committed and not faulty;
//          listing privilege (16), commit privilege (17), compatible (20):
//          every known asset; obsolete (5): a higher installed version of
//          the same user and content id exists, or another installed asset
//          obsoletes it; up to date (4): not obsolete; locally modified (6);
//          valid name (7): a name is known; open for edit (8); has missing
//          dependencies (11): some dependency has no installed version that
//          satisfies it; faulty (13). The other flags hold for no asset here.
//   String asset name (0): the name contains the value, ignoring ASCII case
//          (quoted: equals it); category list (1): the value is a
//          category-class pattern that holds for the asset's class; era (2),
//          keyword (3), region (4) lists: every code of the value (separated
//          by ';' or ',') is among the asset's codes, ignoring ASCII case.
//          An empty value holds for every asset.
//   Int    author (1): the KUID's user id; version (2): its version; local
//          rating (0): 0 (none is kept). Range ends as the element says.
//   Time   no timestamps are kept: every asset counts as 0.
//   Asset  asset id (0): the KUID is in the set; profile map (1): never.
// A group with the match-all flag needs all its children (so the empty
// group matches everything), without it any one of them (an empty group
// then matches everything too); a negated group inverts its result.
//
// The tree runs as one SQL query (SearchQuery.h) on a reader connection of
// its own (StoreReaders.h), without the library's lock. A tree SQLite
// cannot take (beyond its limits) is evaluated asset by asset instead,
// with the same results.
#include <vector>

#include "foundation/kuid/KUID.h"

class AssetLibrary;
class VADFilterElement;

// The matching assets in the store's order (user, content id, version).
std::vector<KUID> SearchAssets(AssetLibrary& library, const VADFilterElement& filter);
