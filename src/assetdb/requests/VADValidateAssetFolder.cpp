#include "assetdb/requests/VADValidateAssetFolder.h"

#include <string>

#include "assetdb/layout/LocationResolution.h"
#include "assetdb/requests/VADOperations.h"
#include "assetdb/requests/VADRequestBuffers.h"
#include "foundation/files/InstallFolders.h"

uint8_t VADValidateAssetFolder(Vek::PString location, Vek::File::Path folder, ResultsLog* log) {
    if (!ResolveLocationFromPath(location, folder)) return 0;
    if (!location.IsEmpty()) {
        const std::string packed = GetLocationPath(location).Str() + ".va";
        if (Vek::File::Exists(packed.c_str())) return 1;
    }
    VADRequestBuffers buffers;
    buffers.request.WritePString(location);
    buffers.request.WriteString(folder.c_str());
    uint8_t ok = 0;
    if (buffers.Send(kVADOpValidateAssetFolder, log)) buffers.reply.ReadByte(ok);
    return ok;
}
