#include "assetdb/archives/CreateCdpArchive.h"

#include <cstdio>

#include "assetdb/archives/ArchiveSkippedFiles.h"
#include "assetdb/archives/CdpArchive.h"
#include "assetdb/assetinfo/VADAssetInfo.h"
#include "assetdb/requests/VADExportAssetSoup.h"
#include "engine/File.h"
#include "foundation/files/ReplacementFile.h"
#include "foundation/properties/VorlexPropertyAssetID.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/streams/BufferStream.h"

namespace {

// The export mode of archive building.
constexpr int32_t kExportModeArchive = 3;

PropertyRef AssetIdProperty(const KUID& kuid) {
    return PropertyRef::Adopt(new VorlexPropertyAssetID("AssetID", kuid));
}

}  // namespace

int32_t CreateCdpArchive(const char* outputPath, const char* const* assets, int32_t count, ResultsLog& log) {
    if (!outputPath || !*outputPath) {
        log.AddEntry(ResultsLogEntry::kError, "Missing output path parameter.");
        return -1;
    }
    if (!Vek::File::Path(outputPath).IsExt("cdp")) {
        log.AddEntry(ResultsLogEntry::kError, "The output filename must have a .cdp extension.");
        return -1;
    }

    CdpArchive archive;
    for (int32_t i = 0; i < count; ++i) {
        CdpAssetEntry entry;
        const KUID kuid = KUID::Parse(assets[i], false);
        if (kuid.IsNull()) {
            log.AddEntry(ResultsLogEntry::kError, "Invalid AssetID.");
            return -1;
        }
        VADAssetInfo info;
        if (!VADGetAssetInfo(kuid, info, -1) || !(info.statusA & VADAssetInfo::kInstalled)) {
            log.AddEntry(ResultsLogEntry::kError, AssetIdProperty(kuid), "Asset is not local.", nullptr);
            return -1;
        }
        entry.SetSoup(VADExportAssetSoup(kuid, &log, kExportModeArchive));
        // An export that failed leaves an entry without "kuid". An asset
        // named twice is refused as already present and left out quietly.
        const bool exported = entry.HasValidKUID();
        Vek::PString error;
        archive.AddAsset(error, entry);
        if (!exported) {
            log.AddEntry(ResultsLogEntry::kError, AssetIdProperty(kuid), error.c_str(), nullptr);
            return -1;
        }
        // The archive carries every file, but installing from it writes
        // only some: name the others while the user still has them.
        if (error.IsEmpty()) WarnOfSkippedArchiveFiles(log, kuid, FindSkippedArchiveFiles(entry.GetFiles()));
    }

    // The archive goes into a file beside the output and replaces it only
    // when whole: a failed write leaves an earlier file of that name as it
    // was. The message names the real cause on a line of its own.
    TBuffer bytes;
    WriteBinarySoup(bytes, archive.GetRoot());
    ReplacementFile file(outputPath);
    if (bytes.HasError() || !file.Open() ||
        !file.Write(bytes.GetData(), static_cast<std::size_t>(bytes.GetDataSize())) || !file.Commit()) {
        std::fputs("Unable to write archive file. Needs to be .cdp file extension\n", stderr);
        std::fputs(bytes.HasError() ? "Not enough memory to build the archive" : file.Error().c_str(), stderr);
        std::fputs("\n", stderr);
        return -1;
    }
    return 0;
}
