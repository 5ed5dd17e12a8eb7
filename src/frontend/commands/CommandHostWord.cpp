#include "frontend/commands/CommandHostWord.h"

#include "frontend/commandhost/CommandHost.h"

int32_t RunCommandHostWord(CommandArguments&) { return VADCommandHost(); }
