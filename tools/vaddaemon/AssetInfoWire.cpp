#include "vaddaemon/AssetInfoWire.h"

#include "foundation/streams/Stream.h"

namespace {

constexpr int32_t kNoRating = 255;
// A favourite is rated as the highest rating is: readers take 4 and 5 for
// a favourite.
constexpr int32_t kFavouriteRating = 5;

// Each bit as a byte of its own, lowest first, in one write.
void WriteBits(TStream& stream, uint8_t bits, int count) {
    uint8_t bytes[8];
    for (int bit = 0; bit < count; ++bit) bytes[bit] = (bits >> bit) & 1;
    stream.Write(bytes, count);
}

}  // namespace

void WriteAssetInfo(TStream& stream, const AssetInfo& info) {
    const AssetRecord& record = info.record;
    uint8_t statusA = 1;
    uint8_t statusB = 0;
    uint8_t statusC = 0;
    if (info.found) {
        if (record.modified || record.editing) statusA |= 1 << 2;
        if (record.installed) statusA |= 1 << 3;
        if (record.editing) statusB |= 1 << 0;
        if (record.faulty) statusB |= 1 << 1;
        if (info.missingDependencies) statusB |= 1 << 3;
        if (record.favourite) statusC |= 1 << 0;
    }

    stream.WriteKUID(record.kuid);
    stream.WriteString(info.found ? record.name.c_str() : "");
    stream.WriteString(info.found ? record.categoryRegion.c_str() : "");
    stream.WriteString(info.found ? record.keywords.c_str() : "");
    WriteBits(stream, statusA, 8);
    WriteBits(stream, statusB, 8);
    WriteBits(stream, statusC, 3);
    stream.WriteInt32(info.authorId);
    stream.WritePString(info.authorName.c_str());
    stream.WriteString(info.found ? record.categoryEra.c_str() : "");
    stream.WriteInt32(-1);
    stream.WritePString("");
    stream.WriteString(info.found ? record.categoryClass.c_str() : "");
    WriteBits(stream, 0, 3);
    stream.WriteInt32(info.found && record.favourite ? kFavouriteRating : kNoRating);
    stream.WriteFloat(info.found ? record.build : 0.0f);
    stream.WriteInt64(0);
    stream.WriteInt64(0);
    stream.WriteKUID(KUID::Null());
    stream.WriteByte(info.found ? 1 : 0);
}
