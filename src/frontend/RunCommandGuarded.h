#pragma once
// Runs one command inside the crash guard.
#include <cstdint>

#include "frontend/StartupContext.h"

class ResultsLog;

// Sets the process-wide command guard and runs the dispatcher as a guarded
// call: a crash of any kind inside the command ends the process at once
// with -100 (exit status 156). Otherwise returns the dispatcher's result.
//
// With the environment variable VORLEX_TEST_CRASH set to 1, the command
// crashes (SIGSEGV) before it is dispatched, so the tests can reach that
// ending.
int32_t RunCommandGuarded(ResultsLog& log, StartupContext& context, int argc, char** argv);
