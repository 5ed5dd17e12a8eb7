#include "assetdb/requests/VADAssetLookups.h"

#include "assetdb/requests/VADOperations.h"
#include "assetdb/requests/VADRequestBuffers.h"
#include "foundation/soups/BinarySoupReader.h"

SoupHandle VADGetAssetConfig(const KUID& asset) {
    SoupHandle config;
    VADRequestBuffers buffers;
    buffers.request.WriteKUID(asset);
    if (buffers.Send(kVADOpGetAssetConfig)) ReadBinarySoup(config, buffers.reply);
    return config;
}

void VADGetSpecLocation(const KUID& asset, Vek::PString& location, Vek::File::Path& folder, uint8_t flag) {
    location = Vek::PString();
    folder.Clear();
    VADRequestBuffers buffers;
    buffers.request.WriteKUID(asset);
    buffers.request.WriteByte(flag);
    if (!buffers.Send(kVADOpGetSpecLocation)) return;
    Vek::String path;
    buffers.reply.ReadPString(location);
    buffers.reply.ReadString(path);
    folder = path.c_str();
}

namespace {

// The KUID of a reply to a request that sends one KUID.
KUID AskForKuid(int32_t operation, const KUID& asset) {
    VADRequestBuffers buffers;
    buffers.request.WriteKUID(asset);
    if (!buffers.Send(operation)) return asset;
    KUID answer;
    buffers.reply.ReadKUID(answer);
    return answer;
}

}  // namespace

KUID VADResolveKuid(const KUID& asset) { return AskForKuid(kVADOpResolveKuid, asset); }

KUID VADGetLatestKuid(const KUID& asset) { return AskForKuid(kVADOpGetLatestKuid, asset); }

Vek::String VADGetAssetDescription(const KUID& asset) {
    Vek::String description;
    VADRequestBuffers buffers;
    buffers.request.WriteKUID(asset);
    if (buffers.Send(kVADOpGetAssetDescription)) buffers.reply.ReadString(description);
    return description;
}

int32_t VADGetAssetThumbnail(const KUID& asset, int32_t size, Vek::PString& location, Vek::File::Path& file) {
    VADRequestBuffers buffers;
    buffers.request.WriteKUID(asset);
    buffers.request.WriteInt32(size);
    if (!buffers.Send(kVADOpGetAssetThumbnail)) return 0;
    Vek::String path;
    int32_t value = 0;
    buffers.reply.ReadPString(location);
    buffers.reply.ReadString(path);
    buffers.reply.ReadInt32(value);
    file = path.c_str();
    return value;
}
