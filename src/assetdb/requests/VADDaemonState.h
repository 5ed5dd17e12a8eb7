#pragma once
// Requests about the daemon itself and this process's role for it.
#include <cstdint>

#include "engine/PString.h"

// Operation 0, the command host's keep-alive. Payload: empty; the reply is
// read and dropped. True when it came.
bool VADSendKeepAlive();
// Operation 140, one-way: this process becomes the daemon's command host.
bool VADRegisterCommandHost();

// Operation 181. Payload: empty. Reply: byte. 1 (GPU texture compression
// off) when the request fails or the reply is empty.
uint8_t VADIsCudaCompressionDisabled();
// Operation 235. Payload: empty; the reply is ignored.
void VADRequestReady();
// Operation 236. Payload: empty. Reply: byte ready. Failure: 0.
uint8_t VADIsReady();
// Operation 253. Payload: empty. Reply: interned string, the installed
// build numbers. Failure: empty.
Vek::PString VADGetInstalledBuilds();
// The same, telling a failed request (false, `builds` empty) from an empty
// answer.
bool VADReadInstalledBuilds(Vek::PString& builds);
// Operation 256, one-way, after a repair in mode 50. Payload: empty.
void VADPostPatcherRepairDone();
