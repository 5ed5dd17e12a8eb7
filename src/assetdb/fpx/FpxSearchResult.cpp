#include "assetdb/fpx/FpxSearchResult.h"

#include <string>

#include "assetdb/requests/VADFpxCandidates.h"
#include "foundation/soups/SoupHandle.h"

namespace {

SoupHandle Entry(const SoupHandle& reply, int32_t number) {
    return reply.GetContainer(Vek::PString(std::to_string(number).c_str()));
}

FpxSearchResult MakeResult(const SoupHandle& entry) {
    FpxSearchResult result;
    result.required = entry.GetKUID("requires", KUID::Null());
    result.latestVersion = entry.GetKUID("latest-version", KUID::Null());
    result.downloadUrl.Parse(entry.GetString("latest-version-path").c_str());
    result.size = entry.GetInt("latest-version-size", 0);
    result.bannerUrl.Parse(entry.GetString("banner-uri").c_str());
    result.assetName = entry.GetString("asset-name");
    result.result = entry.GetString("result");
    return result;
}

// "none" may come as a tag without a value, which HasTag does not report.
bool HasTagNamed(const SoupHandle& soup, const char* name) {
    const Vek::PString wanted(name);
    for (int32_t i = 0; i < soup.Count(); ++i)
        if (soup.GetTagName(i) == wanted) return true;
    return false;
}

bool HoldsLatestVersion(const FpxSearchResultList& list, const KUID& kuid) {
    for (const FpxSearchResult& held : list)
        if (held.latestVersion == kuid) return true;
    return false;
}

}  // namespace

void ParseFpxSearchReply(const SoupHandle& reply, FpxSearchResultList& list) {
    if (reply.IsEmpty() || reply.Count() == 0 || HasTagNamed(reply, "none")) return;

    // Every entry up to the first missing or empty one is offered.
    std::vector<VADFpxCandidate> candidates;
    for (int32_t number = 0;; ++number) {
        const SoupHandle entry = Entry(reply, number);
        if (entry.IsEmpty() || entry.Count() == 0) break;
        VADFpxCandidate candidate;
        candidate.required = entry.GetKUID("requires", KUID::Null());
        candidate.latestVersion = entry.GetKUID("latest-version", KUID::Null());
        candidate.latestVersionSize = entry.GetInt("latest-version-size", 0);
        candidates.push_back(candidate);
    }

    std::vector<int32_t> chosen;
    if (!VADRequestFpxCandidates(candidates, chosen)) return;
    for (int32_t number : chosen) {
        const SoupHandle entry = Entry(reply, number);
        // A number naming no entry describes nothing to fetch.
        if (entry.IsEmpty()) continue;
        FpxSearchResult result = MakeResult(entry);
        if (HoldsLatestVersion(list, result.latestVersion)) continue;
        list.push_back(std::move(result));
    }
}
