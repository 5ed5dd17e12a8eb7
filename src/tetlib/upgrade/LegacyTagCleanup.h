#pragma once
// The closing cleanup of the legacy configuration upgrade: removes the
// top-level tags that old configurations picked up from stray text lines
// (description spill-over, words of notices, comment markers, malformed
// names), tags of other tools, and moves old tag names to current ones.
// Works on the top level of the soup only; every removal removes the first
// tag of the name. Reports nothing.
#include "engine/PString.h"
#include "foundation/soups/SoupHandle.h"

namespace TETLib {

// Runs the whole cleanup in its fixed order.
void CleanUpLegacyTags(SoupHandle& configuration);

// Whether `name` is a tag allowed at the top level of a configuration: a
// name listed in the "subpossibilities" of a definition with a non-zero
// "top-level", or of a definition such a definition inherits from (directly
// or further up its "inherit" chain). Reads the data manager's definitions
// (fatal error when there is no data manager).
bool IsKnownTopLevelTag(const Vek::PString& name);

// Removes the tags that follow the first "description" up to (not
// including) the first known top-level tag or container.
void RemoveDescriptionSpillover(SoupHandle& configuration);

// Removes "asset", then every tag whose name begins with "asset-" and is no
// known top-level tag.
void RemoveAssetPrefixedTags(SoupHandle& configuration);

}  // namespace TETLib
