#pragma once
// "closevaddaemon": asks the daemon to quit, then ends what is left of this
// installation's daemon and of the other copies of this program.
#include <cstdint>
#include <string>

#include "frontend/commands/CommandArguments.h"

// How long each kind of process may take to end by itself before it is
// ended.
constexpr int kDaemonEndWaitMs = 30000;
constexpr int kUtilityEndWaitMs = 10000;

// 1. VADShutdownDaemon: operation 270, then a wait for the link to go down
//    that is bounded (a daemon that ignores the request does not hold the
//    command up for ever).
// 2. In `programFolder`: every other process running its "vaddaemon" may
//    end by itself for `daemonWaitMs`, then it is ended; then the same for
//    "VorlexUtil" with `utilityWaitMs`. Processes started from other
//    folders are left alone.
void CloseVADDaemon(const std::string& programFolder, int daemonWaitMs, int utilityWaitMs);

// The word: CloseVADDaemon over the folder of the running program file
// (/proc/self/exe, never argv[0]) with the waits above. 0 whatever
// happened.
int32_t RunCloseVADDaemonWord(CommandArguments& args);
