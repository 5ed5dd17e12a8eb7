#include "assetdb/fpx/InstallFpxDependencies.h"

#include "assetdb/fpx/InstallFromFpx.h"
#include "assetdb/requests/VADAssetDependencies.h"
#include "assetdb/urls/VADUrlRequestRegistry.h"

bool InstallFpxDependencies(const KUID& kuid) {
    if (!VADUrlRequestNoticesAccepted()) return true;
    bool installedAny = true;
    while (installedAny) {
        installedAny = false;
        VADKuidList dependencies;
        VADGetAssetDependencies(kuid, dependencies);
        for (const KUID& dependency : dependencies) {
            bool gaveUp = false;
            if (InstallFromFpx(dependency, nullptr, &gaveUp)) installedAny = true;
            if (gaveUp) return false;
        }
    }
    return true;
}
