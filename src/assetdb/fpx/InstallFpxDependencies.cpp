#include "assetdb/fpx/InstallFpxDependencies.h"

#include "assetdb/fpx/InstallFromFpx.h"
#include "assetdb/requests/VADAssetDependencies.h"
#include "assetdb/urls/VADUrlRequestRegistry.h"

void InstallFpxDependencies(const KUID& kuid) {
    if (!VADUrlRequestNoticesAccepted()) return;
    bool installedAny = true;
    while (installedAny) {
        installedAny = false;
        VADKuidList dependencies;
        VADGetAssetDependencies(kuid, dependencies);
        for (const KUID& dependency : dependencies)
            if (InstallFromFpx(dependency, nullptr)) installedAny = true;
    }
}
