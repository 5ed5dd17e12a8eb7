#include "frontend/commands/CloseVADDaemon.h"

#include "assetdb/client/VADConnection.h"
#include "assetdb/layout/InstallLayout.h"
#include "engine/File.h"
#include "foundation/platform/process/TerminateProcesses.h"

namespace {

constexpr const char* kDaemonProgramName = "vaddaemon";
constexpr const char* kUtilityProgramName = "VorlexUtil";

}  // namespace

void CloseVADDaemon(const std::string& programFolder, int daemonWaitMs, int utilityWaitMs) {
    VADShutdownDaemon();
    if (programFolder.empty()) return;
    Vek::File::Path daemon(programFolder);
    daemon.AddPath(kDaemonProgramName);
    TerminateProcessesByPath(daemon.c_str(), daemonWaitMs);
    Vek::File::Path utility(programFolder);
    utility.AddPath(kUtilityProgramName);
    TerminateProcessesByPath(utility.c_str(), utilityWaitMs);
}

int32_t RunCloseVADDaemonWord(CommandArguments&) {
    Vek::File::Path program;
    std::string folder;
    if (GetModulePath(program)) {
        program.DelName();
        folder = program.Str();
    }
    CloseVADDaemon(folder, kDaemonEndWaitMs, kUtilityEndWaitMs);
    return 0;
}
