#include "assetdb/archives/AssetKuidLists.h"

namespace {

// The KUID tags an asset names its dependencies with, besides its tables.
const char* const kDependencyTags[] = {
    "alias",    "bridgetrack", "bogey",    "preview-mesh-kuid", "map-kuid",   "product-category",
    "bogey-1",  "bogey-1-r",   "interior", "enginespec",        "enginesound",
};

// The interior that a driveable traincar without one of its own gets.
constexpr KUID kDefaultCabInterior(-10, 172, 127);

}  // namespace

void CollectAssetDependencies(const KUID& own, const SoupHandle& soup, IndexedKuidSet& out) {
    IndexedKuidSet found;
    SoupToKuidSetRecursive(soup, found);
    SoupToKuidSet(soup.GetContainer("kuid-table"), found);

    IndexedKuidSet excluded;
    SoupToKuidSet(soup.GetContainer("obsolete-table"), excluded);
    SoupToKuidSet(soup.GetContainer("optional-kuid-table"), excluded);

    for (const char* tag : kDependencyTags) found.AddUniqueNonNull(soup.GetKUID(tag, KUID::Null()));

    if (soup.GetString("kind").EqualsIgnoreCase("traincar") && soup.GetInt("engine", -1) == 1 &&
        soup.GetKUID("interior", KUID::Null()).IsNull())
        found.AddUniqueNonNull(kDefaultCabInterior);

    for (const KUID& kuid : found.Set())
        if (kuid != own && !excluded.Contains(kuid)) out.AddUniqueNonNull(kuid);
}

void CollectAssetObsoletes(const KUID& own, const SoupHandle& soup, IndexedKuidSet& out) {
    SoupToKuidSet(soup.GetContainer("obsolete-table"), out);
    out.AddUniqueNonNull(soup.GetKUID("obsoletes-kuid", KUID::Null()));
    out.Remove(own);
}
