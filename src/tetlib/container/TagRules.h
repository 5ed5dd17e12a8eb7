#pragma once
// The rule tables of the checked configuration: thirteen tag rules and four
// container rules, each row an interned keyword of a "validation" soup and
// its function. Findings go to the error handler as localised "$tet_val_"
// texts.
#include <string>

#include "engine/PString.h"
#include "tetlib/container/Container.h"
#include "tetlib/container/Tag.h"

namespace TETLib {

// The rule of a keyword, or null when the table has none.
TagRule FindTagRule(const Vek::PString& keyword);
ContainerRule FindContainerRule(const Vek::PString& keyword);

// Whether a path taken from an asset stays inside the asset's location: a
// relative path without ".." components, no drive letter. A path that
// escapes counts as a missing file.
bool IsConfinedAssetPath(const std::string& path);

// Whether the asset location under check is packed (its folder with ".va"
// appended exists as a file).
bool IsCurrentLocationPacked();

}  // namespace TETLib
