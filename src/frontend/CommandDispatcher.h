#pragma once
// The command dispatcher: turns one command line (argv[1] the command word,
// argv[2] onwards its arguments) into work and returns the command's
// result, 0 for success and -1 for failure unless a word says otherwise.
//
// The word is matched whole without regard to letter case, against the
// table in the dispatcher's order (the first match runs). A failure is one
// error entry in the command's log; what a word prints of its own goes to
// standard output before the log is printed. A word the table does not
// hold gets "Invalid argument, please check the help for the list of valid
// argument" followed by a line feed, and -1.
#include <cstdint>
#include <string>

#include "frontend/StartupContext.h"

class ResultsLog;

// Runs the command with the start-up directory that start-up saved.
int32_t DispatchCommand(ResultsLog& log, StartupContext& context, int argc, char** argv);

// The same with the directory the user started from given: the words that
// take a user's path join it to that directory or make it current.
int32_t DispatchCommandFrom(const std::string& startupDirectory, ResultsLog& log, StartupContext& context, int argc,
                            char** argv);
