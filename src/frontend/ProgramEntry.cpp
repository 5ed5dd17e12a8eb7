#include "frontend/ProgramEntry.h"

#include <clocale>
#include <cstdio>

#include "assetdb/layout/InstallLayout.h"
#include "engine/File.h"
#include "engine/PString.h"
#include "foundation/callbacks/ApplicationValues.h"
#include "foundation/console/StdoutFifo.h"
#include "foundation/platform/CrashGuard.h"
#include "foundation/platform/ProcessExit.h"
#include "foundation/random/SharedRandom.h"
#include "foundation/results/ResultsLog.h"
#include "frontend/BatchFile.h"
#include "frontend/HelpText.h"
#include "frontend/PrintResultsLog.h"
#include "frontend/RunCommandGuarded.h"
#include "frontend/ScriptLog.h"
#include "frontend/Startup.h"

namespace {

void WriteHelp() {
    std::fputs(Vorlex::HelpText(), stdout);
    std::fputs("\n", stdout);
}

}  // namespace

int ProgramMain(int argc, char** argv) {
    // Only the character type follows the environment (console output is
    // converted to its character set); numbers stay in the C locale.
    std::setlocale(LC_CTYPE, "");
    InstallProcessSignalDefaults();
    RedirectStdoutToPipe();

    SeedRandomGenerators();
    Vek::File::Path modulePath;
    if (!GetModulePath(modulePath)) return -1;

    if (argc < 2) {
        WriteHelp();
        return -1;
    }
    Vek::PString word(argv[1]);
    word.ToLower();
    if (word == Vek::PString("help")) {
        WriteHelp();
        return 0;
    }

    StartupContext context;
    if (InitializeUtility(context, argc, argv)) {
        std::fputs("- Init failed\n", stderr);
        ShutdownUtility(context);
        return -1;
    }
    SetApplicationName("VorlexUtil");
    InstallScriptLog();

    int32_t exitCode;
    if (argv[1][0] == '@') {
        const char* name = argv[1] + 1;
        BatchFileReader reader;
        if (!Vek::File::Exists(name) || Vek::File::IsDirectory(name) || !reader.Open(name)) {
            std::fprintf(stderr, "-The file \"%s\" does not exist, please specify a valid filename\n", name);
            ShutdownUtility(context);
            return -1;
        }
        exitCode = RunBatchFile(reader, context, argv[0]);
    } else {
        ResultsLog log;
        exitCode = RunCommandGuarded(log, context, argc, argv);
        PrintResultsLog(log);
    }

    ShutdownUtility(context);
    TerminateCurrentProcess(exitCode);
}
