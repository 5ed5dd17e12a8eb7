#include "assetdb/requests/VADInstallRequests.h"

#include "assetdb/requests/VADOperations.h"
#include "assetdb/requests/VADRequestBuffers.h"

KUID VADInstallFromFolder(const Vek::File::Path& folder, ResultsLog* log, int32_t flags, uint8_t& out,
                          VADPromptHandler* handler) {
    VADRequestBuffers buffers;
    buffers.request.WriteString(folder.c_str());
    buffers.request.WriteInt32(flags);
    buffers.request.WriteByte(handler ? 1 : 0);
    KUID installed;
    if (!buffers.SendExpectingBody(kVADOpInstallFromFolder, log, handler)) return installed;
    buffers.reply.ReadKUID(installed);
    buffers.reply.ReadByte(out);
    return installed;
}

int32_t VADInstallArchiveFile(const char* path, ResultsLog* log, int32_t flags, uint8_t& out,
                              VADPromptHandler* handler) {
    VADRequestBuffers buffers;
    buffers.request.WriteString(path);
    buffers.request.WriteInt32(flags);
    buffers.request.WriteByte(handler ? 1 : 0);
    int32_t result = 0;
    if (!buffers.SendExpectingBody(kVADOpInstallArchiveFile, log, handler)) return 0;
    buffers.reply.ReadInt32(result);
    buffers.reply.ReadByte(out);
    return result;
}
