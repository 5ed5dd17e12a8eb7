#include "frontend/commands/CompressTexture.h"

#include "engine/AnsiString.h"
#include "foundation/results/ResultsLog.h"
#include "frontend/commands/CommandPaths.h"

int32_t RunCompressTextureWord(CommandArguments& args) {
    if (args.a.empty()) {
        AddCommandError(args.log, "Missing AssetID parameter.");
        return -1;
    }
    const Vek::File::Path folder = ResolveTextureFolderPath(GetCurrentDirectoryText(), args.a.c_str());
    Vek::String text;
    text.Format("Texture compression is not available in this build: %s", folder.c_str());
    AddCommandError(args.log, text.c_str());
    return -1;
}
