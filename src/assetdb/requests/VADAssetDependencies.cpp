#include "assetdb/requests/VADAssetDependencies.h"

#include "assetdb/requests/VADOperations.h"
#include "assetdb/requests/VADRequestBuffers.h"

bool VADGetDependencyList(const VADKuidList& assets, VADKuidList& result) {
    VADRequestBuffers buffers;
    WriteVADKuidList(buffers.request, assets);
    if (buffers.Send(kVADOpGetDependencyList)) ReadVADKuidList(buffers.reply, result);
    return true;
}

bool VADGetAssetDependencies(const KUID& asset, VADKuidList& result) {
    VADKuidList one;
    one.Add(asset);
    return VADGetDependencyList(one, result);
}

bool VADGetAssetObsoletes(const KUID& asset, VADKuidList& result) {
    VADRequestBuffers buffers;
    buffers.request.WriteKUID(asset);
    if (buffers.Send(kVADOpGetAssetObsoletes)) ReadVADKuidList(buffers.reply, result);
    return true;
}
