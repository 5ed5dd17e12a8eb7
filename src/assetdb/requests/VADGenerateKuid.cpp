#include "assetdb/requests/VADGenerateKuid.h"

#include "assetdb/requests/VADOperations.h"
#include "assetdb/requests/VADRequestBuffers.h"

KUID VADGenerateKuid() {
    VADRequestBuffers buffers;
    KUID kuid;
    if (buffers.Send(kVADOpGenerateKuid)) buffers.reply.ReadKUID(kuid);
    return kuid;
}
