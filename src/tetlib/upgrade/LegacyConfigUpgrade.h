#pragma once
// The legacy configuration upgrade as the container load calls it. The
// upgrade itself (rewriting the tags of old builds in place) is supplied
// through LegacyConfigUpgrader; until one is installed, a configuration of
// a build before 2.90 is reported as not upgraded ("$tet_legacy_not_upgraded",
// a warning without owner) instead of being checked silently as if it were
// current.
#include "foundation/soups/SoupHandle.h"

namespace TETLib {

class LegacyConfigUpgrader {
public:
    virtual ~LegacyConfigUpgrader() = default;
    // Rewrites the configuration in place.
    virtual void Upgrade(SoupHandle& configuration) = 0;
};

// Installs the upgrader (null removes it); not owned.
void SetLegacyConfigUpgrader(LegacyConfigUpgrader* upgrader);
LegacyConfigUpgrader* GetLegacyConfigUpgrader();

// Runs the installed upgrader, or reports an old build as not upgraded. The
// asset's build is the data manager's (stored by the container load).
void UpgradeLegacyAssetConfig(SoupHandle& configuration);

}  // namespace TETLib
