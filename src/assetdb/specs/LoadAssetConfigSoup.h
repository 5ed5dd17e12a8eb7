#pragma once
// Reading an asset's configuration from its folder, for the AssetSpecs
// and the asset tools.
#include "engine/PString.h"
#include "foundation/soups/SoupHandle.h"

// Reads "config.chump", else "config.txt", from `folder` inside the file-system
// root of `location` (an empty location: `folder` is a plain path). The
// location's resource database is acquired first, so that its root exists
// ("base" and "data" lie in the installation's "Base" and "Data" folders),
// and given back afterwards; the cache keeps it. True with the soup when one
// of the two loads with content; false and an empty handle otherwise.
bool LoadAssetConfigSoup(const Vek::PString& location, const char* folder, SoupHandle& config);
