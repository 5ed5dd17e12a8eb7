#include "frontend/Startup.h"

#include <unistd.h>

#include <cstring>
#include <vector>

#include "assetdb/layout/InstallLayout.h"
#include "engine/File.h"
#include "engine/Log.h"

namespace {

std::string g_startupDirectory;

bool HasSwitch(int argc, char** argv, const char* name) {
    for (int i = 0; i < argc; ++i) {
        if (argv[i] && strcasecmp(argv[i], name) == 0) return true;
    }
    return false;
}

}  // namespace

const std::string& GetStartupDirectory() { return g_startupDirectory; }

std::string BuildEngineOptions(int argc, char** argv) {
    std::string options = HasSwitch(argc, argv, "norender") ? "-NullRender " : "-render=OpenGL -hidewindow ";
    options += HasSwitch(argc, argv, "-veklog") ? "-LogStdOut " : "-LogFile=/dev/null ";
    return options;
}

bool InitializeUtility(StartupContext&, int argc, char** argv) {
    Vek::File::Path modulePath;
    if (!GetModulePath(modulePath)) return true;
    modulePath.Normalise();
    modulePath.DelName();
    std::string programFolder = Vek::File::ResolveOsPath(modulePath.c_str());

    std::vector<char> cwd(4096);
    if (::getcwd(cwd.data(), cwd.size())) g_startupDirectory = cwd.data();
    if (programFolder.empty() || ::chdir(programFolder.c_str()) != 0) return true;

    Vek::Log::Init(BuildEngineOptions(argc, argv).c_str());
    return false;
}

bool ShutdownUtility(StartupContext&) {
    Vek::Log::Shutdown();
    return false;
}
