#include "assetdb/requests/VADGenerateKuid.h"

#include "assetdb/requests/VADOperations.h"
#include "assetdb/requests/VADRequestBuffers.h"

KUID VADGenerateKuid(ResultsLog* log) {
    VADRequestBuffers buffers;
    KUID kuid;
    if (buffers.Send(kVADOpGenerateKuid, log)) buffers.reply.ReadKUID(kuid);
    return kuid;
}
