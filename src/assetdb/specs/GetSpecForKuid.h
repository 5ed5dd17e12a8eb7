#pragma once
// Getting the AssetSpec of an asset by KUID, through the daemon when the registry
// does not hold it.
#include <cstdint>

#include "assetdb/specs/SpecFilter.h"
#include "assetdb/specs/SpecHandle.h"
#include "foundation/kuid/KUID.h"

// 1. The null KUID gives an empty handle.
// 2. A KUID recorded in SpecKuidRedirectMap goes on as its target; a null
//    target gives an empty handle at once.
// 3. Otherwise the daemon names the KUID under which the asset is installed
//    (request 26).
// 4. A registered spec of that KUID: refused by `filter` records
//    requested -> resolved and gives empty; invalid once loaded records
//    requested -> null and gives empty; otherwise it is the answer.
// 5. None registered: the daemon names its location and folder (request 23
//    with `includeFlag`). No folder records requested -> null; otherwise
//    CreateSpecFromAssetConfig: a spec records requested -> resolved and is
//    the answer; a failure records nothing, so a later call tries again.
// The handle carries the one reference of the caller. Main thread only (the
// redirect map has no lock). While no registry exists (the database is
// closed) nothing is asked or recorded and the handle is empty.
SpecHandle GetSpecForKuid(const KUID& kuid, SpecFilter filter, uint8_t includeFlag);

// GetSpecForKuid with the filter IsVorlexBaseSpec.
SpecHandle GetVorlexBaseSpec(const KUID& kuid, uint8_t includeFlag);
