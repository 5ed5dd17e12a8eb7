#include "assetdb/requests/VADExportAssetSoup.h"

#include "assetdb/requests/VADOperations.h"
#include "assetdb/requests/VADRequestBuffers.h"
#include "foundation/soups/BinarySoupReader.h"

SoupHandle VADExportAssetSoup(const KUID& asset, ResultsLog* log, int32_t mode) {
    SoupHandle result;
    result.SetString(Vek::PString("compression"), "LZSS");
    VADRequestBuffers buffers;
    buffers.request.WriteKUID(asset);
    buffers.request.WriteInt32(mode);
    if (!buffers.Send(kVADOpExportAssetSoup, log)) return result;
    SoupHandle exported;
    ReadBinarySoup(exported, buffers.reply);
    return exported.IsEmpty() ? result : exported;
}
