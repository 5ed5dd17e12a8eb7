#include "assetdb/fpx/InstallFromFpx.h"

#include <memory>
#include <string>

#include "assetdb/assetinfo/VADAssetInfoAccessors.h"
#include "assetdb/client/VADConnection.h"
#include "assetdb/fpx/FpxInactivityWatch.h"
#include "assetdb/fpx/FpxPollRound.h"
#include "assetdb/fpx/FpxSearchResult.h"
#include "assetdb/requests/VADAssetLookups.h"
#include "assetdb/requests/VADInstallRequests.h"
#include "assetdb/requests/VADSettings.h"
#include "assetdb/urls/VADUrlRequest.h"
#include "assetdb/urls/VADUrlRequestRegistry.h"
#include "engine/File.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/SoupFiles.h"
#include "foundation/soups/SoupHandle.h"

namespace {

// URL-request modes: a search page, a file download.
constexpr int32_t kUrlModeSearch = 2;
constexpr int32_t kUrlModeDownload = 0;
// Install flags of a downloaded archive.
constexpr int32_t kDownloadInstallFlags = 6;

constexpr const char* kSearchPath = "/vorlex/FPXT_Search_Text.php";
// The web host of the download service is kept in the "internet" settings;
// without one the search goes to this name, which the daemon resolves as it
// sees fit (there is no public service behind it).
constexpr const char* kHostSettings = "internet";
constexpr const char* kHostKey = "download-service-host";
constexpr const char* kDefaultHost = "fetchport.vorlex.invalid";

std::string SearchUrl(const KUID& kuid) {
    Vek::PString host = VADGetSettingValue(kHostSettings, kHostKey);
    std::string url = "https://";
    url += host.IsEmpty() ? kDefaultHost : host.c_str();
    url += kSearchPath;
    url += "?Banners=1&SearchCriteria=";
    url += kuid.ToShortString().c_str();
    url += "&textsearchID=1&DependencyLevel=5";
    return url;
}

void AddError(ResultsLog* log, const char* text, const KUID* asset);

// Waits until the daemon reports the request complete, then takes its
// result file and the location holding it; true when there is a file. The
// daemon's reports arrive over the link, so the wait also ends when the
// link is down, and a request that did not complete gives no result. A
// daemon that keeps the link but reports nothing on the request for the
// inactivity bound is given up on, with a message.
bool WaitForResultFile(VADUrlRequest& request, Vek::File::Path& file, Vek::PString& location, ResultsLog* log,
                       bool* gaveUp) {
    FpxInactivityWatch watch;
    uint32_t statuses = request.GetStatusCount();
    while (!request.IsComplete()) {
        if (!VADIsConnected()) return false;
        RunFpxPollRound(false);
        const uint32_t now = request.GetStatusCount();
        if (now != statuses) {
            statuses = now;
            watch.Touch();
        } else if (watch.Expired()) {
            Vek::String text;
            text.Format("The daemon reported nothing on a download-service request for %u s; gave up waiting.",
                        watch.BoundSeconds());
            AddError(log, text.c_str(), nullptr);
            if (gaveUp) *gaveUp = true;
            return false;
        }
    }
    return request.GetResultFile(file, location);
}

void AddError(ResultsLog* log, const char* text, const KUID* asset) {
    if (!log) return;
    if (!asset) {
        log->AddEntry(ResultsLogEntry::kError, text);
        return;
    }
    SoupHandle parameters;
    parameters.SetString("assetid", asset->ToTagString().c_str());
    log->AddEntry(ResultsLogEntry::kError, PropertyRef(), Vek::String(text), parameters);
}

// Downloads one chosen record's archive and has the daemon install it.
bool InstallResult(const FpxSearchResult& result, ResultsLog* log, bool* gaveUp) {
    URLRecord url;
    url.Parse(result.downloadUrl.Format().c_str());
    std::unique_ptr<VADUrlRequest> request(VADStartUrlRequest(url, kUrlModeDownload));
    Vek::File::Path file;
    Vek::PString location;
    if (!WaitForResultFile(*request, file, location, log, gaveUp)) {
        AddError(log, "Failed to resolve download path for $(assetid)", &result.latestVersion);
        return false;
    }
    if (!location.IsEmpty()) {
        // A file inside an archive cannot be handed to the install.
        AddError(log, "Internal error: GetFilePath returned archive", nullptr);
        return false;
    }
    ResultsLog privateLog;
    uint8_t second = 0;
    return VADInstallArchiveFile(file.c_str(), log ? log : &privateLog, kDownloadInstallFlags, second, nullptr) != 0;
}

}  // namespace

bool InstallFromFpx(const KUID& kuid, ResultsLog* log, bool* gaveUp) {
    if (gaveUp) *gaveUp = false;
    if (!VADUrlRequestNoticesAccepted()) return false;
    bool stalled = false;

    const KUID latest = VADGetLatestKuid(kuid);
    if (VADIsAssetInstalled(latest)) return false;

    URLRecord searchUrl;
    searchUrl.Parse(SearchUrl(latest).c_str());
    std::unique_ptr<VADUrlRequest> search(VADStartUrlRequest(searchUrl, kUrlModeSearch));
    Vek::File::Path file;
    Vek::PString location;
    if (!WaitForResultFile(*search, file, location, log, &stalled)) {
        if (gaveUp) *gaveUp = stalled;
        AddError(log, "Failed to query FPX for $(assetid)", &latest);
        return false;
    }
    SoupHandle reply;
    LoadSoupFile(reply, location, file.c_str(), "txt");
    FpxSearchResultList results;
    ParseFpxSearchReply(reply, results);
    search.reset();

    bool installed = false;
    for (const FpxSearchResult& result : results) {
        if (!result.downloadUrl.IsValid()) continue;
        if (VADIsAssetInstalled(result.latestVersion)) continue;
        // A failed download or install does not stop the others; a daemon
        // that stopped reporting does.
        if (InstallResult(result, log, &stalled)) installed = true;
        if (stalled) break;
    }
    if (gaveUp) *gaveUp = stalled;
    return installed;
}
