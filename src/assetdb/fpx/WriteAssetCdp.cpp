#include "assetdb/fpx/WriteAssetCdp.h"

#include "assetdb/archives/CdpArchive.h"
#include "assetdb/archives/CdpAssetEntry.h"
#include "assetdb/requests/VADExportAssetSoup.h"
#include "engine/AnsiString.h"
#include "foundation/results/ResultsLog.h"

namespace {

// The export mode of archive building.
constexpr int32_t kExportModeArchive = 3;

bool Fail(ResultsLog& log, const Vek::PString& error) {
    Vek::String text;
    text.Format("Unable to write asset to CDP: %s", error.c_str());
    log.AddEntry(ResultsLogEntry::kError, PropertyRef(), text, nullptr);
    return false;
}

}  // namespace

bool WriteAssetCdp(const KUID& kuid, const char* path, ResultsLog& log) {
    CdpAssetEntry entry;
    entry.SetSoup(VADExportAssetSoup(kuid, &log, kExportModeArchive));
    entry.SetSignature();

    CdpArchive archive;
    Vek::PString error;
    // A failed export gives a soup without "kuid", which the archive
    // refuses; an archive of nothing is not this asset, so nothing is
    // written.
    if (!archive.AddAsset(error, entry).IsEmpty()) return Fail(log, error);
    if (!archive.Write(error, path).IsEmpty()) return Fail(log, error);
    return true;
}
