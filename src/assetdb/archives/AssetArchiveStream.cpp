#include "assetdb/archives/AssetArchiveStream.h"

#include <cmath>
#include <cstdint>

#include "assetdb/archives/CdpAssetEntry.h"
#include "assetdb/archives/InstallArchiveEntry.h"
#include "assetdb/requests/VADExportAssetSoup.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/streams/FileStream.h"

namespace {

// The export mode of the archive stream.
constexpr int32_t kExportModeStream = 0;
// The install flags of a stream made by this program's build, and of others.
constexpr int32_t kInstallFlagsCurrentBuild = kInstallCommit | kInstallCommitFlag8;
constexpr int32_t kInstallFlagsOtherBuild = kInstallCommit;

void AddUnreadable(ResultsLog& log) {
    log.AddEntry(ResultsLogEntry::kError, PropertyRef(), GetLocalisedText("$vad_archive_unreadable"), nullptr);
}

}  // namespace

bool WriteAssetArchiveStream(const VADKuidList& kuids, TStream& stream, ResultsLog& log) {
    bool everyAsset = true;
    for (const KUID& kuid : kuids) {
        const SoupHandle soup = VADExportAssetSoup(kuid, &log, kExportModeStream);
        if (soup.GetKUID("kuid", KUID::Null()).IsNull()) {
            everyAsset = false;
            continue;
        }
        stream.WriteKUID(kuid);
        const int32_t endWord = stream.Tell();
        stream.WriteUInt32(TStream::kSizedBlockPlaceholder);
        WriteBinarySoup(stream, soup);
        stream.WriteInt32At(endWord, stream.Tell());
    }
    stream.WriteKUID(KUID::Null());
    return everyAsset && !stream.HasError();
}

bool SaveAssetArchiveStream(int32_t callerValue, const char* path, const VADKuidList& kuids, ResultsLog& log) {
    TFile file;
    if (!file.Open(path, TFile::kModeWriteNew)) return false;
    file.WriteUInt32(kAssetArchiveStreamTag);
    file.WriteInt32(kAssetArchiveStreamVersion);
    file.WriteFloat(kAssetArchiveStreamBuild);
    const int32_t endWord = file.Tell();
    file.WriteUInt32(TStream::kSizedBlockPlaceholder);
    file.WriteInt32(callerValue);
    const bool everyAsset = WriteAssetArchiveStream(kuids, file, log);
    file.WriteInt32At(endWord, file.Tell());
    const bool written = file.Close();
    return everyAsset && written;
}

bool InstallAssetArchiveStream(int32_t callerValue, VADKuidList& kuids, const char* path, ResultsLog& log) {
    TFile file;
    if (!file.Open(path, TFile::kModeRead)) {
        AddUnreadable(log);
        return false;
    }
    // A file stream reports an error at every end of file, so the reads'
    // own results tell whether a field was there.
    uint32_t tag = 0;
    file.ReadUInt32(tag);
    int32_t version = -1;
    file.ReadInt32(version, -1);
    int32_t flags = kInstallFlagsOtherBuild;
    if (version == 1) {
        float build = 0.0f;
        file.ReadFloat(build, 0.0f);
        // The build is compared in hundredths. One that is not a number, is
        // infinite or has no int32 in hundredths is no build of any program:
        // the stream is damaged.
        const double hundredths = std::trunc(static_cast<double>(build) * 100.0 + 0.1);
        if (!std::isfinite(hundredths) || hundredths < static_cast<double>(INT32_MIN) ||
            hundredths > static_cast<double>(INT32_MAX)) {
            AddUnreadable(log);
            return false;
        }
        if (static_cast<int32_t>(hundredths) == 350) flags = kInstallFlagsCurrentBuild;
    } else if (version != 0) {
        SoupHandle parameters;
        parameters.SetInt("version", version);
        log.AddEntry(ResultsLogEntry::kError, PropertyRef(), GetLocalisedText("$vad_archive_version"), parameters);
        return false;
    }
    int32_t endPosition = 0;
    int32_t value = 0;
    file.ReadInt32(endPosition, 0);
    file.ReadInt32(value, 0);
    const int32_t length = file.Length();
    if (tag != kAssetArchiveStreamTag || length != endPosition || value != callerValue) {
        AddUnreadable(log);
        return false;
    }

    for (;;) {
        KUID kuid;
        int32_t recordEnd = 0;
        if (!file.ReadKUID(kuid)) break;  // no terminator
        if (kuid.IsNull()) return true;
        if (!file.ReadInt32(recordEnd, 0)) break;
        // Every record must move the reader on and stay inside the file.
        if (recordEnd <= file.Tell() || recordEnd > length) break;

        auto listed = kuids.Find(kuid);
        if (listed) {
            CdpAssetEntry entry;
            entry.ReadBinary(file);
            // A soup that runs past its record's end is not the record's.
            if (file.Tell() <= recordEnd && entry.GetKUID() == kuid) {
                KUID installed;
                uint8_t commitSecond = 0;
                InstallArchiveEntry(installed, entry, log, flags, commitSecond, nullptr);
                if (!installed.IsNull()) kuids.Remove(kuids.Find(kuid));
            }
        }
        file.SetPosition(recordEnd);
    }
    AddUnreadable(log);
    return false;
}
