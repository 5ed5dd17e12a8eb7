#include "frontend/commands/CompressTexture.h"

#include "foundation/results/ResultsLog.h"
#include "frontend/commands/CommandPaths.h"
#include "tetlib/textures/CompressTextureFolder.h"

int32_t RunCompressTextureWord(CommandArguments& args) {
    if (args.a.empty()) {
        AddCommandError(args.log, "Missing AssetID parameter.");
        return -1;
    }
    const Vek::File::Path folder = ResolveTextureFolderPath(GetCurrentDirectoryText(), args.a.c_str());
    // Only a fully converted folder is a success.
    return TETLib::CompressTextureFolder(Vek::PString(), folder, &args.log) == 2 ? 0 : -1;
}
