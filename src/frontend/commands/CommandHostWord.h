#pragma once
// "vadcommandhost": turns the process into the daemon's worker for jobs
// (validation, texture conversion, archive streams) until the link drops or
// the console asks the process to end.
#include <cstdint>

#include "frontend/commands/CommandArguments.h"

// VADCommandHost; 0.
int32_t RunCommandHostWord(CommandArguments& args);
