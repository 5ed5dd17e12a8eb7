#include "assetdb/specs/GetSpecForKuid.h"

#include "assetdb/requests/VADAssetLookups.h"
#include "assetdb/specs/CreateSpecFromAssetConfig.h"
#include "assetdb/specs/SpecKuidRedirectMap.h"
#include "assetdb/specs/SpecRegistry.h"

SpecHandle GetSpecForKuid(const KUID& kuid, SpecFilter filter, uint8_t includeFlag) {
    if (kuid.IsNull()) return SpecHandle();
    SpecRegistry* registry = SpecRegistry::Instance();
    if (!registry) return SpecHandle();

    KUID resolved;
    if (SpecKuidRedirectMap::Find(kuid, resolved)) {
        if (resolved.IsNull()) return SpecHandle();
    } else {
        resolved = VADResolveKuid(kuid);
    }

    if (SpecHandle spec = registry->FindSpec(resolved)) {
        if (filter && !filter(spec.Get())) {
            SpecKuidRedirectMap::Record(kuid, resolved);
            return SpecHandle();
        }
        spec->EnsureLoaded();
        if (!spec->IsUsable()) {
            SpecKuidRedirectMap::Record(kuid, KUID());
            return SpecHandle();
        }
        return spec;
    }

    Vek::PString location;
    Vek::File::Path folder;
    VADGetSpecLocation(resolved, location, folder, includeFlag);
    if (folder.IsEmpty()) {
        SpecKuidRedirectMap::Record(kuid, KUID());
        return SpecHandle();
    }
    SpecHandle spec = CreateSpecFromAssetConfig(resolved, location, folder.c_str(), filter);
    if (spec) SpecKuidRedirectMap::Record(kuid, resolved);
    return spec;
}

SpecHandle GetVorlexBaseSpec(const KUID& kuid, uint8_t includeFlag) {
    return GetSpecForKuid(kuid, IsVorlexBaseSpec, includeFlag);
}
