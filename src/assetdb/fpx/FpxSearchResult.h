#pragma once
// One entry of the download service's search reply that the daemon chose
// for fetching, and the parser of that reply.
//
// The reply is a text soup: the tag "none" when nothing matched, else
// containers "0", "1", "2", ... (ending at the first number whose container
// is missing or empty), each with the tags "requires" (KUID),
// "latest-version" (KUID), "latest-version-path" (URL), "latest-version-size"
// (integer), "banner-uri" (URL), "asset-name" and "result" (texts).
#include <cstdint>
#include <vector>

#include "engine/PString.h"
#include "foundation/kuid/KUID.h"
#include "foundation/network/URLRecord.h"

class SoupHandle;

struct FpxSearchResult {
    KUID required;  // "requires" (a C++ keyword)
    KUID latestVersion;
    URLRecord downloadUrl;  // "latest-version-path"
    int32_t size = 0;       // "latest-version-size"
    URLRecord bannerUrl;    // "banner-uri"
    Vek::PString assetName;
    Vek::PString result;
};

// The records in arrival order.
using FpxSearchResultList = std::vector<FpxSearchResult>;

// Offers every entry of the reply to the daemon (operation 74) and appends
// a record for each entry number it answers, skipping a number whose entry
// is missing and a record whose latest-version KUID the list already
// holds. Nothing for a missing or empty soup, a soup with "none", or a
// failed request.
void ParseFpxSearchReply(const SoupHandle& reply, FpxSearchResultList& list);
