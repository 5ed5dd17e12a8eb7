#pragma once
// "registeraccount <user name> <password>": stores the user's account in
// the daemon's "internet" settings, keeping every other value there.
#include <cstdint>

#include "frontend/commands/CommandArguments.h"

// Reads the whole "internet" settings soup, sets "username" to argv[2] and
// "password" to argv[3], and writes the soup back. A read that does not
// come back whole gives "Unable to read internet settings." and writes
// nothing, so a lost link never replaces the settings by a soup holding
// only the two values; a write that does not go through gives "Unable to
// write internet settings.". 0, or -1 after either message. The dispatcher
// runs this word only with four or more arguments.
int32_t RunRegisterAccountWord(CommandArguments& args);
