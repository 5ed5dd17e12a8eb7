#pragma once
// Between soups and KUID sets (block-ring lists without duplicates).
#include "engine/DynamicArray.h"
#include "foundation/kuid/KUID.h"
#include "foundation/soups/SoupHandle.h"

using KuidSet = Vek::DynamicArray<KUID, 128>;
class IndexedKuidSet;

// For each tag in order: GetKUID(tag name, null KUID); every result other
// than the null KUID is added unless the set holds it already.
// The IndexedKuidSet forms add the same KUIDs in the same order.
void SoupToKuidSet(const SoupHandle& soup, KuidSet& set);
void SoupToKuidSet(const SoupHandle& soup, IndexedKuidSet& set);

// For each tag in order, by kind: a text parsed with the strict KUID
// parser, a KUID value, a container searched the same way (recursively);
// other kinds are skipped. Every KUID other than the null KUID is added
// unless present.
void SoupToKuidSetRecursive(const SoupHandle& soup, KuidSet& set);
void SoupToKuidSetRecursive(const SoupHandle& soup, IndexedKuidSet& set);

// The handle becomes null, then each KUID of the set other than the null
// KUID is stored under "0", "1", "2", ... in set order. A set without such
// KUIDs leaves the handle null.
void KuidSetToSoup(SoupHandle& soup, const KuidSet& set);
