#pragma once
// The user's marks on an asset, sent one-way.
#include <cstdint>

#include "engine/AnsiString.h"
#include "foundation/kuid/KUID.h"

// Operation 50. Payload: KUID; byte favourite (0 or 1).
void VADSetAssetFavorite(const KUID& asset, bool favourite);
// Operation 54. Payload: KUID; string keywords.
void VADSetAssetKeywords(const KUID& asset, const Vek::String& keywords);
