#pragma once
// Start-up and shutdown of the utility.
//
// InitializeUtility brings up, in order: the asset tools' error handler and
// data manager (over "ZIROzod/" in the program folder), the engine (OS
// object, log, resource system, headless render kernel, each initialisation
// retried once with "-NullRender"), the product's render set-up,
// networking, the installation and user folders with the asset folders,
// the daemon connection (reconnect flag 0), the main thread's identity, the
// interface-text language from the daemon's "internet" settings, the
// engine's bitmap plug-in and the URL-request service. ShutdownUtility
// releases all of it in its own fixed order; a step with nothing to
// release does nothing, so it may follow a start-up that stopped early.
//
// Messages on standard error:
//   "- TETLib initialisation failed."        the data manager was not made
//   "Unable to load render kernel. Retrying with -NullRender."
//                                            the OS object or the render
//                                            kernel failed once
//   "- Vek OS initialisation failed."        the OS object failed again
//   "- Unable to initialize render system"   the render kernel failed again
//                                            (followed by an empty line)
#include <string>

#include "engine/PString.h"
#include "frontend/StartupContext.h"

// Returns false on success and true when start-up failed (main then prints
// "- Init failed"). Start-up succeeds exactly when the database is open.
bool InitializeUtility(StartupContext& context, int argc, char** argv);
// The same for the program file `programFile` in place of the running
// program's own path: its folder is the program folder and the folder above
// it the installation.
bool InitializeUtilityForProgram(StartupContext& context, int argc, char** argv, const char* programFile);

// Releases what start-up made; always returns false.
bool ShutdownUtility(StartupContext& context);

// The current directory when start-up began; user paths of some commands
// are joined to it. Empty before start-up.
const std::string& GetStartupDirectory();

// The init switches, read from every argument (argv[0] included), each
// lower-cased and compared whole. "-nostartvaddaemon" is accepted and has
// no effect.
struct InitSwitches {
    bool noRender = false;     // "norender": the null renderer
    bool vekLog = false;       // "-veklog": the engine log on standard output
    bool noVadClient = false;  // "-novadclient": client kind 0 in the hello
};
InitSwitches ReadInitSwitches(int argc, char** argv);

// The engine option text: "-NullRender " with norender, else
// "-render=OpenGL -hidewindow "; then "-LogStdOut " with -veklog, else
// "-LogFile=/dev/null ".
std::string BuildEngineOptions(const InitSwitches& switches);

// The interface-text language for the daemon's "language" setting: the
// value itself, or "US" when it is empty.
Vek::PString InterfaceLanguageFor(const Vek::PString& setting);
