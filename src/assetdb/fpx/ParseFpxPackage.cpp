#include "assetdb/fpx/ParseFpxPackage.h"

#include <algorithm>
#include <string>
#include <vector>

#include "assetdb/archives/CdpArchive.h"
#include "assetdb/archives/InstallArchiveEntry.h"
#include "assetdb/assetinfo/VADAssetInfo.h"
#include "assetdb/client/VADConnection.h"
#include "assetdb/fpx/EscapeLineBreaks.h"
#include "assetdb/fpx/ExtractArchiveThumbnail.h"
#include "assetdb/fpx/FpxInactivityWatch.h"
#include "assetdb/fpx/FpxPollRound.h"
#include "assetdb/fpx/InstallFpxDependencies.h"
#include "assetdb/fpx/JoinKuidList.h"
#include "assetdb/fpx/WriteAssetCdp.h"
#include "assetdb/requests/VADAssetDependencies.h"
#include "assetdb/requests/VADAssetEdits.h"
#include "assetdb/requests/VADAssetHandle.h"
#include "assetdb/requests/VADAssetLookups.h"
#include "assetdb/requests/VADDaemonState.h"
#include "engine/File.h"
#include "foundation/files/FileCopy.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "foundation/properties/VorlexPropertyAssetID.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/SoupHandle.h"

namespace {

// Install flags of the archive's assets.
constexpr int32_t kInstallFlags = 6;
// The thumbnail size asked of the daemon.
constexpr int32_t kThumbnailSize = 240;

void AddGaveUp(ResultsLog& log, const FpxInactivityWatch& watch, const char* what) {
    Vek::String text;
    text.Format("The daemon %s for %u s; gave up waiting.", what, watch.BoundSeconds());
    log.AddEntry(ResultsLogEntry::kError, PropertyRef(), text, nullptr);
}

// Waits until the daemon reports ready: 235 once, then 236 until its byte
// is true. A daemon that cannot answer never becomes ready, so the wait
// ends when the link or the database is down; one that answers but stays
// not ready for the inactivity bound is given up on, with a message.
bool WaitUntilDaemonReady(ResultsLog& log) {
    FpxInactivityWatch watch;
    VADRequestReady();
    while (!VADIsReady()) {
        if (!VADIsDatabaseOpen() || !VADIsConnected()) return false;
        if (watch.Expired()) {
            AddGaveUp(log, watch, "did not become ready");
            return false;
        }
        RunFpxPollRound(true);
    }
    return true;
}

// Whether the daemon has `kuid` installed now; a record that does not come
// counts as not installed.
bool InstalledNow(const KUID& kuid) {
    VADAssetInfo info;
    return !kuid.IsNull() && VADGetAssetInfo(kuid, info, 8) && (info.statusA & VADAssetInfo::kInstalled) != 0;
}

void AddInfo(ResultsLog& log, const char* format, const char* value) {
    Vek::String text;
    text.Format(format, value);
    log.AddEntry(ResultsLogEntry::kInformation, PropertyRef(), text, nullptr);
}

Vek::File::Path FileBeside(const Vek::File::Path& folder, const KUID& kuid, const char* extension) {
    Vek::File::Path path(folder);
    std::string name = KUID::ToFolderName(kuid).c_str();
    name += extension;
    path.AddPath(name.c_str());
    return path;
}

void WriteThumbnail(const KUID& kuid, const RawDataRef& archiveThumbnail, const Vek::File::Path& target) {
    Vek::PString location;
    Vek::File::Path image;
    VADGetAssetThumbnail(kuid, kThumbnailSize, location, image);
    // Failures of both ways are silent.
    if (image.IsExt("jpg")) {
        CopyFileBetweenRoots(location, image.c_str(), Vek::PString(), target.c_str());
    } else if (archiveThumbnail && archiveThumbnail->Size() > 0) {
        ExtractArchiveThumbnail(archiveThumbnail, Vek::PString(), target.c_str());
    }
}

void WriteAssetFacts(const KUID& kuid, const Vek::File::Path& folder, const RawDataRef& archiveThumbnail,
                     ResultsLog& log, const FpxAssetChecks& checks) {
    log.PushContextProperty(PropertyRef::Adopt(new VorlexPropertyAssetID("AssetID", kuid)));
    if (checks.printStatus) checks.printStatus(kuid, log);
    if (checks.validate) checks.validate(kuid, log);

    VADAssetInfo info;
    VADGetAssetInfo(kuid, info, -1);
    AddInfo(log, "Name: %s", EscapeLineBreaks(info.displayName.c_str()).c_str());
    AddInfo(log, "Description: %s", EscapeLineBreaks(VADGetAssetDescription(kuid).c_str()).c_str());
    {
        Vek::String build;
        build.Format("Vorlex-build: %.1f", static_cast<double>(info.build));
        log.AddEntry(ResultsLogEntry::kInformation, PropertyRef(), build, nullptr);
    }
    VADKuidList dependencies;
    VADGetAssetDependencies(kuid, dependencies);
    AddInfo(log, "Dependencies: %s", JoinKuidList(dependencies).c_str());
    VADKuidList obsoletes;
    VADGetAssetObsoletes(kuid, obsoletes);
    AddInfo(log, "Obsoletes: %s", JoinKuidList(obsoletes).c_str());

    WriteAssetCdp(kuid, FileBeside(folder, kuid, ".cdp").c_str(), log);
    WriteThumbnail(kuid, archiveThumbnail, FileBeside(folder, kuid, ".jpg"));

    const SoupHandle config = VADGetAssetConfig(kuid);
    AddInfo(log, "kind: %s", config.GetString("kind").c_str());
    AddInfo(log, "alias-kuid: %s", config.GetKUID("alias", KUID::Null()).ToTagString().c_str());
    AddInfo(log, "category-region: %s", EscapeLineBreaks(info.categoryRegion.c_str()).c_str());
    AddInfo(log, "category-era: %s", EscapeLineBreaks(info.categoryEra.c_str()).c_str());
    AddInfo(log, "category-class: %s", EscapeLineBreaks(config.GetString("category-class").c_str()).c_str());
    log.PopContextProperty();
}

}  // namespace

bool ParseFpxPackage(const char* path, ResultsLog& log, const FpxAssetChecks& checks) {
    if (!path) path = "";
    [[maybe_unused]] VADClientPollScope pollScope;
    const int32_t errorsBefore = log.GetErrorCount();

    if (!WaitUntilDaemonReady(log)) {
        log.AddEntry(ResultsLogEntry::kError, PropertyRef(), GetLocalisedText("$vad_fpx_daemon_unavailable"), nullptr);
        return false;
    }

    CdpArchive archive;
    Vek::PString error;
    if (!archive.Load(error, Vek::PString(), path).IsEmpty()) {
        SoupHandle parameters;
        parameters.SetString("file_path", path);
        log.AddEntry(ResultsLogEntry::kError, PropertyRef(), GetLocalisedText("$vad_unreadable_cdp"), parameters);
        return false;
    }
    const RawDataRef thumbnail = archive.GetData("thumbnail");

    std::vector<KUID> installed;
    // The assets the daemon had installed before this run: an abort gives
    // them back their earlier state; every other asset of the run goes.
    std::vector<KUID> installedBefore;
    for (int32_t i = 0; i < archive.AssetCount(); ++i) {
        const CdpAssetEntry entry = archive.GetAsset(i);
        const KUID named = entry.GetKUID();
        if (InstalledNow(named)) installedBefore.push_back(named);
        KUID kuid;
        uint8_t commitSecond = 0;
        InstallArchiveEntry(kuid, entry, log, kInstallFlags, commitSecond, nullptr);
        if (!kuid.IsNull() && std::find(installed.begin(), installed.end(), kuid) == installed.end())
            installed.push_back(kuid);
    }

    // All or nothing: what did install is taken back. The installs of new
    // assets were committed as they went, so a revert cannot take them
    // back: they are deleted.
    const auto abort = [&] {
        for (const KUID& kuid : installed) VADRevertAsset(VADOpenAsset(kuid, true, nullptr), nullptr);
        for (const KUID& kuid : installed)
            if (std::find(installedBefore.begin(), installedBefore.end(), kuid) == installedBefore.end())
                VADDeleteAsset(kuid, 1, nullptr);
        log.AddEntry(ResultsLogEntry::kError, "Aborted processing");
        return false;
    };
    if (log.GetErrorCount() > errorsBefore) return abort();

    for (const KUID& kuid : installed) {
        if (!InstallFpxDependencies(kuid)) {
            FpxInactivityWatch watch;
            AddGaveUp(log, watch, "reported nothing on a download-service request");
            return abort();
        }
    }

    Vek::File::Path folder(path);
    folder.DelName();

    for (const KUID& kuid : installed) {
        VADAssetHandle handle = VADOpenAsset(kuid, true, nullptr);
        uint8_t second = 0;
        VADCommitAsset(handle, 0, &log, second);
        handle.Release();
    }

    for (const KUID& kuid : installed) WriteAssetFacts(kuid, folder, thumbnail, log, checks);
    return true;
}
