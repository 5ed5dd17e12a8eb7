#include "assetdb/requests/VADSearchAssets.h"

#include "assetdb/filters/FilterElementIO.h"
#include "assetdb/requests/VADOperations.h"
#include "assetdb/requests/VADRequestBuffers.h"

void VADSearchAssets(const VADFilterElement* filter, VADKuidList& results) {
    VADRequestBuffers buffers;
    WriteTaggedFilterElement(buffers.request, filter);
    if (buffers.Send(kVADOpSearchAssets)) ReadVADKuidList(buffers.reply, results);
}
