#include "assetdb/requests/VADOnlineRequests.h"

#include "assetdb/requests/VADOperations.h"
#include "assetdb/requests/VADRequestBuffers.h"
#include "foundation/soups/BinarySoupReader.h"
#include "foundation/soups/BinarySoupWriter.h"

namespace {

void WriteLowerCasedKey(TStream& stream, const char* key) {
    Vek::PString lowered(key);
    lowered.ToLower();
    stream.WritePString(lowered);
}

int16_t ReadInt16(TStream& stream) {
    uint8_t bytes[2] = {0, 0};
    if (!stream.ReadExact(bytes, 2)) return 0;
    return static_cast<int16_t>(bytes[0] | bytes[1] << 8);
}

}  // namespace

SoupHandle VADReadOnlineLocalData(const KUID& asset, const char* key) {
    SoupHandle data;
    if (!key || !*key) return data;
    VADRequestBuffers buffers;
    buffers.request.WriteKUID(asset);
    WriteLowerCasedKey(buffers.request, key);
    if (buffers.Send(kVADOpOnlineReadLocalData)) ReadBinarySoup(data, buffers.reply);
    return data;
}

void VADWriteOnlineLocalData(const KUID& asset, const char* key, const SoupHandle& data) {
    if (!key || !*key) return;
    VADRequestBuffers buffers;
    buffers.request.WriteKUID(asset);
    WriteLowerCasedKey(buffers.request, key);
    WriteBinarySoup(buffers.request, data);
    buffers.Post(kVADOpOnlineWriteLocalData);
}

VADOnlineProfile VADGetOnlineProfile() {
    VADOnlineProfile profile;
    VADRequestBuffers buffers;
    if (!buffers.Send(kVADOpOnlineProfile)) return profile;
    TStream& reply = buffers.reply;
    reply.ReadString(profile.first);
    reply.ReadString(profile.second);
    reply.ReadString(profile.third);
    profile.fourth = ReadInt16(reply);
    reply.ReadString(profile.fifth);
    profile.sixth = ReadInt16(reply);
    return profile;
}

void VADPostOnlineNotice() {
    VADRequestBuffers buffers;
    buffers.Post(kVADOpOnlineNotice);
}

Vek::String VADGetOnlineText() {
    Vek::String text;
    VADRequestBuffers buffers;
    if (buffers.Send(kVADOpOnlineText)) buffers.reply.ReadString(text);
    return text;
}
