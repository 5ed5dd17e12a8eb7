#include "foundation/platform/process/Launchers.h"

#include "engine/File.h"
#include "foundation/platform/process/ShellExecute.h"

namespace {

bool Launch(const char* folder, const char* program, const char* parameters) {
    if (!folder || !*folder) return false;
    Vek::File::Path path(folder);
    path.AddPath("bin");
    path.AddPath(program);
    if (!Vek::File::Exists(path.c_str()) || Vek::File::IsDirectory(path.c_str())) return false;
    return ShellExecuteGetProcessId(path.c_str(), parameters, folder, 0) != 0;
}

}  // namespace

bool LaunchAssetDesk(const char* folder) { return Launch(folder, "AssetDesk", ""); }

std::string BuildGameCommandLine(const char* extra, const GameDisplayOptions& options) {
    std::string text = extra ? extra : "";
    text += options.CommandLineOptions();
    return text;
}

bool LaunchGame(const char* folder, const char* extra, const GameDisplayOptions* options) {
    GameDisplayOptions read;
    if (!options) {
        if (!ReadGameConfig(folder, read)) read.SetDefaults();
        options = &read;
    }
    return Launch(folder, "vorlex", BuildGameCommandLine(extra, *options).c_str());
}
