// The stand-in asset-database daemon. It serves the database of the
// installation it belongs to: its program is I/bin/vaddaemon, the database
// I/UserData/assets.vdx (a SQLite file, AssetStore.h) and the asset folders
// I/UserData/local, editing and backups (AssetLibrary.h). See
// DaemonOptions.h for its settings, Scenario.h for its test script and
// Transcript.h for its record of frames.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "assetdb/client/IPCRendezvous.h"
#include "assetdb/layout/InstallLayout.h"
#include "engine/File.h"
#include "vaddaemon/DaemonOptions.h"
#include "vaddaemon/DaemonServer.h"
#include "vaddaemon/Scenario.h"
#include "vaddaemon/Transcript.h"

namespace {

// The installation folder: the parent of the program's folder, in the
// normalised form the utility keeps (lower case, backslashes).
bool FindInstallationFolder(Vek::File::Path& root) {
    if (!GetModulePath(root)) return false;
    root.Normalise();
    root.DelName();
    root.DelName();
    root.ToLower();
    return !root.IsEmpty();
}

}  // namespace

int main() {
    ::signal(SIGPIPE, SIG_IGN);

    Vek::File::Path root;
    if (!FindInstallationFolder(root)) {
        std::fprintf(stderr, "vaddaemon: cannot find the installation folder\n");
        return 1;
    }
    SetInstallationFolders(root.c_str());
    {
        // Clients start a daemon whenever they find no port, so several may
        // start at once. One that finds a live owner leaves at once, before
        // any work (and without the exit handlers, which only cost time);
        // the ownership itself is settled under the rendezvous mutex later.
        IPCRendezvous probe;
        if (probe.Attach(GetDatabasePath().c_str()) && probe.HasOtherLiveOwner()) {
            probe.Detach();
            ::_exit(0);
        }
    }

    Vek::File::Path settingsFile = GetUserDataPath();
    settingsFile.AddPath("vaddaemon.txt");
    DaemonOptions options = DaemonOptions::Read(settingsFile.c_str());

    Scenario scenario;
    std::string error;
    if (!options.scenarioPath.empty() && !scenario.Load(options.scenarioPath, error)) {
        std::fprintf(stderr, "vaddaemon: %s\n", error.c_str());
        return 2;
    }
    Transcript transcript;
    if (!transcript.Open(options.transcriptPath)) {
        std::fprintf(stderr, "vaddaemon: cannot write the transcript %s\n", options.transcriptPath.c_str());
        return 2;
    }

    Vek::File::MakeDirectory(GetUserDataPath().c_str());

    DaemonServer server(options, scenario, transcript);
    return server.Run(GetDatabasePath().c_str());
}
