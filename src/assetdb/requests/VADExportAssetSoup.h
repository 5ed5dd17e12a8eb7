#pragma once
// An asset packed by the daemon as a soup for an archive (operation 48).
#include <cstdint>

#include "foundation/kuid/KUID.h"
#include "foundation/soups/SoupHandle.h"

class ResultsLog;

// Payload: KUID; int32 mode (3 for archive building, 0 for the command
// host's archive stream). Reply: the asset's soup in binary form. When no
// soup comes back (a failed request, an empty or unreadable reply), the
// answer is a soup that holds only the text "compression" = "LZSS".
SoupHandle VADExportAssetSoup(const KUID& asset, ResultsLog* log, int32_t mode);
