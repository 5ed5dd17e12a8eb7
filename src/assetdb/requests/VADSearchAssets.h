#pragma once
// The asset search (operation 2): the daemon evaluates a search-filter tree.
#include "assetdb/requests/VADKuidList.h"

class VADFilterElement;

// Payload: the tree as a tagged element (a null tree as the word 0).
// Reply: int32 n and n KUIDs, appended to `results` in the daemon's order.
// A failed request leaves the list unchanged and answers false.
bool VADSearchAssets(const VADFilterElement* filter, VADKuidList& results);
