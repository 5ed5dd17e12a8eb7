#include "assetdb/assetinfo/VADAssetInfo.h"

#include "assetdb/requests/VADOperations.h"
#include "assetdb/requests/VADRequestBuffers.h"
#include "foundation/streams/Stream.h"

namespace {

// `count` flag bytes, bit 0 first.
uint8_t ReadFlagBits(TStream& stream, int count) {
    uint8_t bits = 0;
    for (int bit = 0; bit < count; ++bit) {
        uint8_t flag = 0;
        stream.ReadByte(flag);
        if (flag) bits |= static_cast<uint8_t>(1u << bit);
    }
    return bits;
}

}  // namespace

void VADAssetInfo::Read(TStream& stream) {
    stream.ReadKUID(asset);
    stream.ReadString(displayName);
    stream.ReadString(categoryRegion);
    stream.ReadString(keywords);
    statusA = ReadFlagBits(stream, 8);
    statusB = ReadFlagBits(stream, 8);
    statusC = ReadFlagBits(stream, 3);
    stream.ReadInt32(authorId);
    stream.ReadPString(authorName);
    stream.ReadString(categoryEra);
    stream.ReadInt32(secondId);
    stream.ReadPString(secondName);
    stream.ReadString(categoryClass);
    statusD = ReadFlagBits(stream, 3);
    int32_t rating = 0;
    stream.ReadInt32(rating);
    localRating = static_cast<uint8_t>(rating & 0xFF);
    stream.ReadFloat(build);
    stream.ReadInt64(firstValue);
    stream.ReadInt64(secondValue);
    stream.ReadKUID(parent);
    stream.ReadByte(found);
}

uint8_t VADGetAssetInfo(const KUID& asset, VADAssetInfo& info, int32_t detail) {
    VADRequestBuffers buffers;
    buffers.request.WriteKUID(asset);
    buffers.request.WriteInt32(detail);
    if (!buffers.Send(kVADOpGetAssetInfo)) return 0;
    info.Read(buffers.reply);
    return info.found;
}
