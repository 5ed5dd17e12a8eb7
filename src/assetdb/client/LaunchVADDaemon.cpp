#include "assetdb/client/LaunchVADDaemon.h"

#include <atomic>

#include "assetdb/layout/InstallLayout.h"
#include "foundation/platform/process/ShellExecute.h"

namespace {

std::atomic<bool> g_launched{false};

}  // namespace

void LaunchVADDaemon() {
    Vek::File::Path program = GetDaemonProgramPath();
    if (!program.IsEmpty()) {
        Vek::File::Path folder = program;
        folder.DelName();
        ShellExecuteGetProcessId(program.c_str(), "", folder.c_str(), kShellExecuteHidden);
    }
    g_launched = true;
}

bool VADDaemonLaunched() { return g_launched; }

void ClearVADDaemonLaunched() { g_launched = false; }
