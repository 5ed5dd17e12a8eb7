#pragma once
// Start-up and shutdown of the utility.
//
// This start-up brings up only what the commands that need no daemon use:
// it finds the program folder, saves the start-up directory and makes the
// program folder the current directory, reads the init switches and opens
// the engine log ("-veklog" sends it to standard output). The engine, the
// asset tools, networking, the install folders and the daemon connection
// are not brought up here.
#include <string>

#include "frontend/StartupContext.h"

// Returns false on success and true when start-up failed (main then prints
// "- Init failed").
bool InitializeUtility(StartupContext& context, int argc, char** argv);

// Releases what start-up made; always returns false.
bool ShutdownUtility(StartupContext& context);

// The current directory when start-up began; user paths of some commands
// are joined to it. Empty before start-up.
const std::string& GetStartupDirectory();

// The engine option text for the init switches found in the arguments
// (every argument, lower-cased, compared whole): "-NullRender " with
// "norender", else "-render=OpenGL -hidewindow "; then "-LogStdOut " with
// "-veklog", else "-LogFile=/dev/null ".
std::string BuildEngineOptions(int argc, char** argv);
