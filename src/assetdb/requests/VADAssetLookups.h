#pragma once
// Requests that read what the daemon knows of one asset. None reports an
// error of its own: a failed request gives the defaults named here, and a
// short reply gives the reads' defaults (empty text, the null KUID, 0).
#include <cstdint>

#include "engine/AnsiString.h"
#include "engine/File.h"
#include "engine/PString.h"
#include "foundation/kuid/KUID.h"
#include "foundation/soups/SoupHandle.h"

// Operation 20. Payload: KUID. Reply: the configuration as a binary soup.
// Failure: an empty handle.
SoupHandle VADGetAssetConfig(const KUID& asset);

// Operation 23. Payload: KUID; byte flag. Reply: interned string location
// name; string folder. Both outputs are emptied before asking.
void VADGetSpecLocation(const KUID& asset, Vek::PString& location, Vek::File::Path& folder, uint8_t flag);

// Operation 26. Payload: KUID. Reply: the KUID under which the asset is
// installed. Failure: the given KUID.
KUID VADResolveKuid(const KUID& asset);

// Operation 27. Payload: KUID. Reply: the newest version the daemon knows.
// Failure: the given KUID.
KUID VADGetLatestKuid(const KUID& asset);

// Operation 28. Payload: KUID. Reply: string description. Failure: empty.
Vek::String VADGetAssetDescription(const KUID& asset);

// Operation 29. Payload: KUID; int32 size. Reply: interned string location
// name; string file path; int32 value, which is returned. Failure: the
// outputs unchanged and 0.
int32_t VADGetAssetThumbnail(const KUID& asset, int32_t size, Vek::PString& location, Vek::File::Path& file);
