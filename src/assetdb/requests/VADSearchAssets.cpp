#include "assetdb/requests/VADSearchAssets.h"

#include "assetdb/filters/FilterElementIO.h"
#include "assetdb/requests/VADOperations.h"
#include "assetdb/requests/VADRequestBuffers.h"

bool VADSearchAssets(const VADFilterElement* filter, VADKuidList& results) {
    VADRequestBuffers buffers;
    WriteTaggedFilterElement(buffers.request, filter);
    if (!buffers.Send(kVADOpSearchAssets)) return false;
    ReadVADKuidList(buffers.reply, results);
    return true;
}
