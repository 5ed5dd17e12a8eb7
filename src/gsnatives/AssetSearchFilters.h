#pragma once
// The search-filter trees of the script asset searches (VorlexScriptBase's
// SearchAssets, FindUpdatedAssets and both GetAssetList forms): one group
// whose children must all match, in the order the daemon receives them.
#include <memory>

#include "assetdb/filters/VADFilterElementGroup.h"
#include "engine/AnsiString.h"

namespace GSNatives {

// "local", "locally-available" and "locally-enabled" when `localOnly`;
// then "listing-privilege", not "obsolete", "compatible" and
// "category-list" = `category` upper-cased.
std::unique_ptr<VADFilterElementGroup> BuildSearchAssetsFilter(const char* category, bool localOnly);

// "local", not "obsolete", not "up-to-date".
std::unique_ptr<VADFilterElementGroup> BuildUpdatedAssetsFilter();

// "local", "locally-available", "locally-enabled", "listing-privilege",
// not "obsolete", "compatible", then not "faulty" when `excludeFaulty`, and
// "category-list" = `categoryClass`.
std::unique_ptr<VADFilterElementGroup> BuildAssetListFilter(const char* categoryClass, bool excludeFaulty);

// The category-class text of GetAssetList: the kind lower-cased and mapped
// with an empty type word; with a type word (null: none), the word
// upper-cased and each of its codes added as a required code. Empty for a
// kind the table does not know.
Vek::String AssetListCategoryClass(const char* kind, const char* typeWord);

}  // namespace GSNatives
