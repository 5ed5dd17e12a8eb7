#pragma once
// Which entries of a download-service search reply are worth installing:
// the daemon decides (operation 74).
#include <cstdint>
#include <vector>

#include "foundation/kuid/KUID.h"

struct VADFpxCandidate {
    KUID required;  // "requires"
    KUID latestVersion;
    int32_t latestVersionSize = 0;
};

// Payload: int32 n; n times KUID requires, KUID latest-version, int32
// latest-version-size. Reply: int32 m and m int32 entry numbers, appended
// to `entries` (a count beyond the reply is cut to what is there). False,
// adding nothing, when the request fails.
bool VADRequestFpxCandidates(const std::vector<VADFpxCandidate>& candidates, std::vector<int32_t>& entries);
