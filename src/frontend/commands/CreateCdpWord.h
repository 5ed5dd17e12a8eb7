#pragma once
// "createcdp <output.cdp> <kuid> ...": exports assets into a new content
// archive.
#include <cstdint>

#include "frontend/commands/CommandArguments.h"

// CreateCdpArchive with argv[2] as given (relative to the current
// directory, the program folder) and the KUID texts from argv[3] on.
int32_t RunCreateCdpWord(CommandArguments& args);
