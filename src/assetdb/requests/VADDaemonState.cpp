#include "assetdb/requests/VADDaemonState.h"

#include "assetdb/requests/VADOperations.h"
#include "assetdb/requests/VADRequestBuffers.h"

bool VADSendKeepAlive() {
    VADRequestBuffers buffers;
    return buffers.Send(kVADOpKeepAlive);
}

bool VADRegisterCommandHost() {
    VADRequestBuffers buffers;
    return buffers.Post(kVADOpRegisterCommandHost);
}

uint8_t VADIsCudaCompressionDisabled() {
    VADRequestBuffers buffers;
    uint8_t disabled = 1;
    if (buffers.Send(kVADOpIsCudaCompressionDisabled)) buffers.reply.ReadByte(disabled, 1);
    return disabled;
}

void VADRequestReady() {
    VADRequestBuffers buffers;
    buffers.Send(kVADOpRequestReady);
}

uint8_t VADIsReady() {
    VADRequestBuffers buffers;
    uint8_t ready = 0;
    if (buffers.Send(kVADOpIsReady)) buffers.reply.ReadByte(ready);
    return ready;
}

bool VADReadInstalledBuilds(Vek::PString& builds) {
    VADRequestBuffers buffers;
    builds = Vek::PString();
    if (!buffers.Send(kVADOpGetInstalledBuilds)) return false;
    buffers.reply.ReadPString(builds);
    return true;
}

Vek::PString VADGetInstalledBuilds() {
    Vek::PString builds;
    VADReadInstalledBuilds(builds);
    return builds;
}

void VADPostPatcherRepairDone() {
    VADRequestBuffers buffers;
    buffers.Post(kVADOpPatcherRepairDone);
}
