#include "frontend/commandhost/CommandHostJobs.h"

#include "assetdb/archives/AssetArchiveStream.h"
#include "assetdb/layout/LocationResolution.h"
#include "assetdb/requests/VADKuidList.h"
#include "assetdb/resources/ResourceDatabaseRef.h"
#include "engine/AnsiString.h"
#include "engine/PString.h"
#include "foundation/interfacetext/InterfaceTextDB.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/streams/Stream.h"
#include "tetlib/ValidateAssetAtLocation.h"
#include "tetlib/textures/CompressTextureFolder.h"

namespace {

// Holds a location's resource database for the length of a job.
class HeldResourceDatabase {
public:
    explicit HeldResourceDatabase(const Vek::PString& location) : m_ref(ResourceDatabaseRef::Open(location)) {}
    ~HeldResourceDatabase() { m_ref.Release(); }
    HeldResourceDatabase(const HeldResourceDatabase&) = delete;
    HeldResourceDatabase& operator=(const HeldResourceDatabase&) = delete;

private:
    ResourceDatabaseRef m_ref;
};

// The job's KUID list: int32 n, then n KUIDs. A count larger than the bytes
// left can hold cuts the job short without reading on; a negative count is
// an empty list.
void ReadJobKuids(TStream& job, VADKuidList& kuids) {
    int32_t count = 0;
    job.ReadInt32(count);
    if (count <= 0) return;
    const int32_t left = job.Length() - job.Tell();
    if (left < 0 || count > left / 8) {
        job.SetError(TStream::kErrorPastEnd);
        return;
    }
    for (int32_t i = 0; i < count; ++i) {
        KUID kuid;
        job.ReadKUID(kuid);
        kuids.Add(kuid);
    }
}

}  // namespace

bool RunValidateJob(TStream& job, TStream& reply) {
    Vek::PString location;
    Vek::PString folder;
    job.ReadPString(location);
    job.ReadPString(folder);
    if (job.HasError()) return false;

    HeldResourceDatabase database(location);
    ResultsLog log;
    // A folder that cannot be placed in the installation is not validated:
    // the reply then carries no result byte, which the daemon reads as "could
    // not run", so `validate` does not report it as looked at.
    Vek::PString placedLocation = location;
    Vek::File::Path placedPath(folder.c_str());
    if (!ResolveLocationFromPath(placedLocation, placedPath)) {
        log.WriteEntries(reply, 0);
        return true;
    }
    const bool valid = TETLib::ValidateAssetAtLocation(location, Vek::File::Path(folder.c_str()), &log);
    log.WriteEntries(reply, 0);
    reply.WriteBool(valid);
    return true;
}

bool RunTextureConvertJob(TStream& job, TStream& reply) {
    Vek::PString location;
    Vek::String folder;
    job.ReadPString(location);
    job.ReadString(folder);
    if (job.HasError()) return false;

    HeldResourceDatabase database(location);
    ResultsLog log;
    const int32_t result = TETLib::CompressTextureFolderRecursive(location, Vek::File::Path(folder.c_str()), &log);
    log.WriteEntries(reply, 0);
    reply.WriteInt32(result);
    return true;
}

bool RunArchiveSaveJob(TStream& job, TStream& reply) {
    int32_t callerValue = 0;
    Vek::PString path;
    VADKuidList kuids;
    job.ReadInt32(callerValue);
    job.ReadPString(path);
    ReadJobKuids(job, kuids);
    if (job.HasError()) return false;

    ResultsLog log;
    const bool saved = SaveAssetArchiveStream(callerValue, path.c_str(), kuids, log);
    log.WriteEntries(reply, 0);
    reply.WriteInt32(saved ? 1 : 0);
    return true;
}

bool RunArchiveInstallJob(TStream& job, TStream& reply) {
    int32_t callerValue = 0;
    Vek::PString path;
    VADKuidList kuids;
    job.ReadInt32(callerValue);
    job.ReadPString(path);
    ReadJobKuids(job, kuids);
    if (job.HasError()) return false;

    ResultsLog log;
    // The list keeps what was not installed; the stream's own result is not
    // part of the reply.
    InstallAssetArchiveStream(callerValue, kuids, path.c_str(), log);
    log.WriteEntries(reply, 0);
    WriteVADKuidList(reply, kuids);
    return true;
}
