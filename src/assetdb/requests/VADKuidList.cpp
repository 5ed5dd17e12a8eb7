#include "assetdb/requests/VADKuidList.h"

#include "foundation/streams/Stream.h"

namespace {

constexpr int32_t kKuidBytes = 8;

}  // namespace

void ReadVADKuidList(TStream& stream, VADKuidList& list) {
    int32_t count = 0;
    if (!stream.ReadInt32(count) || count <= 0) return;
    const int32_t left = stream.Length() - stream.Tell();
    if (left < 0) return;
    if (count > left / kKuidBytes) count = left / kKuidBytes;
    for (int32_t i = 0; i < count; ++i) {
        KUID kuid;
        if (!stream.ReadKUID(kuid)) return;
        list.Add(kuid);
    }
}

void WriteVADKuidList(TStream& stream, const VADKuidList& list) {
    stream.WriteInt32(static_cast<int32_t>(list.Count()));
    for (const KUID& kuid : list) stream.WriteKUID(kuid);
}
