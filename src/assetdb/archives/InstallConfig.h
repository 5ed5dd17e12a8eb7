#pragma once
// The configuration stored beside an asset's extracted files.
#include "assetdb/archives/CdpAssetEntry.h"
#include "foundation/soups/SoupHandle.h"
#include "foundation/soups/SoupKuidSets.h"

// A deep copy of the entry's soup without "files", "dsid", "compression",
// "folder-icon" and ".cache", with "kind" lower-cased (stored again only
// when that changes it), and with its "kuid-table" completed by the entry's
// dependencies (CollectAssetDependencies over the entry's own soup).
SoupHandle MakeInstallConfig(const CdpAssetEntry& entry);

// Completes the configuration's "kuid-table" with the dependencies it lacks:
//  - a table with tags: each dependency that no tag holds is added under
//    the next free number, counting on from the largest number that a tag
//    name starts with (-1 when none does);
//  - a missing or empty table becomes a new one holding the dependencies
//    under "0", "1", ... (an empty container when there are none).
// Either way "kuid-table" is removed and appended: it ends up last.
void CompleteKuidTable(SoupHandle& config, const KuidSet& dependencies);
