#include "frontend/commandhost/CommandHostCallback.h"

#include "assetdb/client/CollectGarbageOnMainThread.h"
#include "assetdb/specs/SpecRegistry.h"
#include "foundation/log/LogPrintf.h"
#include "foundation/streams/Stream.h"
#include "frontend/commandhost/CommandHostJobs.h"

namespace {

struct JobKind {
    const char* name;
    bool (*run)(TStream& job, TStream& reply);
};

const JobKind kJobs[] = {
    {"VAD_CMDHOST_VALIDATE", RunValidateJob},
    {"VAD_CMDHOST_TEXTURECONVERT", RunTextureConvertJob},
    {"VAD_CMDHOST_ARCHIVE_SAVETODISK", RunArchiveSaveJob},
    {"VAD_CMDHOST_ARCHIVE_INSTALL", RunArchiveInstallJob},
};

void ReleaseAfterJob() {
    if (SpecRegistry* registry = SpecRegistry::Instance()) registry->Flush();
    CollectGarbageOnMainThread();
}

}  // namespace

void CommandHostCallback(TStream& job, TStream& reply) {
    int32_t id = 0;
    job.ReadInt32(id, 0);

    if (id < VAD_CMDHOST_VALIDATE || id > VAD_CMDHOST_ARCHIVE_INSTALL) {
        LogPrintf("CommandHostCallback> unsupported commandID=%d", id);
        ReleaseAfterJob();
        return;
    }
    const JobKind& kind = kJobs[id];
    LogPrintf("CommandHostCallback> %s", kind.name);
    // A job cut short is dropped: its reply stays empty.
    if (!kind.run(job, reply)) return;
    LogPrintf("CommandHostCallback> complete");
    ReleaseAfterJob();
}
