#include "assetdb/requests/VADAssetMarks.h"

#include "assetdb/requests/VADOperations.h"
#include "assetdb/requests/VADRequestBuffers.h"

void VADSetAssetFavorite(const KUID& asset, bool favourite) {
    VADRequestBuffers buffers;
    buffers.request.WriteKUID(asset);
    buffers.request.WriteByte(favourite ? 1 : 0);
    buffers.Post(kVADOpSetAssetFavorite);
}

void VADSetAssetKeywords(const KUID& asset, const Vek::String& keywords) {
    VADRequestBuffers buffers;
    buffers.request.WriteKUID(asset);
    buffers.request.WriteString(keywords);
    buffers.Post(kVADOpSetAssetKeywords);
}
