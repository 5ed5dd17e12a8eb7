#include "assetdb/requests/VADSettings.h"

#include "assetdb/requests/VADOperations.h"
#include "assetdb/requests/VADRequestBuffers.h"
#include "foundation/soups/BinarySoupReader.h"
#include "foundation/soups/BinarySoupWriter.h"

namespace {

// Offset of the body size in a binary soup's header ("ACS$", version,
// reserved, body size).
constexpr int32_t kSoupBodySizeOffset = 12;

}  // namespace

bool VADReadSettings(SoupHandle& soup, const Vek::PString& name) {
    VADRequestBuffers buffers;
    buffers.request.WritePString(name);
    if (!buffers.Send(kVADOpReadSettings)) return false;
    // No bytes at all: the daemon holds no such settings.
    if (buffers.reply.Length() == 0) return true;
    SoupHandle read;
    if (!ReadBinarySoup(read, buffers.reply)) return false;
    if (read.IsEmpty()) {
        // A body of size 0 is the form of no soup (settings never written).
        // A body that was there and gave no root (too deep, cut short, an
        // unknown version) is a failed read: answering it as "no settings"
        // would let the caller write back a soup without the stored keys.
        int32_t bodySize = 0;
        buffers.reply.SetPosition(kSoupBodySizeOffset);
        buffers.reply.ReadInt32(bodySize, 0);
        return bodySize == 0;
    }
    soup = read;
    return true;
}

bool VADWriteSettings(const Vek::PString& name, SoupHandle& holder, ResultsLog* log) {
    VADRequestBuffers buffers;
    buffers.request.WritePString(name);
    WriteBinarySoup(buffers.request, holder);
    holder.Clear();
    if (!buffers.Send(kVADOpWriteSettings, log)) return false;
    // The reply to a write is not fixed: a daemon may answer with nothing at
    // all. Only the single byte 0 is a refusal (the stand-in sends its
    // reason as a log line before it); any other reply is a stored write.
    uint8_t stored = 1;
    if (buffers.reply.Length() == 1) buffers.reply.ReadByte(stored);
    return stored != 0;
}

Vek::PString VADGetSettingValue(const Vek::PString& name, const Vek::PString& key) {
    VADRequestBuffers buffers;
    buffers.request.WritePString(name);
    buffers.request.WritePString(key);
    Vek::PString value;
    if (buffers.Send(kVADOpGetSettingValue)) buffers.reply.ReadPString(value);
    return value;
}
