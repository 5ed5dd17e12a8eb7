#pragma once
// The command dispatcher: turns one command line (argv[1] the command
// word, argv[2] onwards its arguments) into work and returns the command's
// result.
//
// This dispatcher knows only the words that need no daemon: "version",
// the six hidden version words and "echo". Every other word is answered
// with the error "Invalid argument, please check the help for the list of
// valid argument" and -1.
#include <cstdint>

#include "frontend/StartupContext.h"

class ResultsLog;

// The build number "version" prints and the version numbers that the
// hidden words return.
constexpr int32_t kProgramVersion = 350;
constexpr int32_t kProgramBuild = 47059;

int32_t DispatchCommand(ResultsLog& log, StartupContext& context, int argc, char** argv);
