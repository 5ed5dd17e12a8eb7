#include "assetdb/requests/VADSettings.h"

#include "assetdb/requests/VADOperations.h"
#include "assetdb/requests/VADRequestBuffers.h"
#include "foundation/soups/BinarySoupReader.h"
#include "foundation/soups/BinarySoupWriter.h"

bool VADReadSettings(SoupHandle& soup, const Vek::PString& name) {
    VADRequestBuffers buffers;
    buffers.request.WritePString(name);
    if (!buffers.Send(kVADOpReadSettings)) return true;
    SoupHandle read;
    ReadBinarySoup(read, buffers.reply);
    if (!read.IsEmpty()) soup = read;
    return true;
}

bool VADWriteSettings(const Vek::PString& name, SoupHandle& holder) {
    VADRequestBuffers buffers;
    buffers.request.WritePString(name);
    WriteBinarySoup(buffers.request, holder);
    holder.Clear();
    buffers.Send(kVADOpWriteSettings);
    return true;
}

Vek::PString VADGetSettingValue(const Vek::PString& name, const Vek::PString& key) {
    VADRequestBuffers buffers;
    buffers.request.WritePString(name);
    buffers.request.WritePString(key);
    Vek::PString value;
    if (buffers.Send(kVADOpGetSettingValue)) buffers.reply.ReadPString(value);
    return value;
}
