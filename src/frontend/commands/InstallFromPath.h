#pragma once
// Installing asset folders found below a folder, each through the daemon.
#include <cstdint>

#include "engine/File.h"

class ResultsLog;
class VADPromptHandler;

// Returns the number of asset folders found (and sent to the daemon).
// - An empty path gives 0.
// - A folder holding "config.txt", or else "config.chump", is one asset:
//   it is installed (VADInstallFromFolder with the log, the flags, `out`
//   and the handler) and counts 1 whatever the daemon reported; its
//   subfolders are not looked into.
// - Otherwise every entry of the folder (in name order, "." and ".."
//   skipped) is looked into the same way and the counts are added; a file
//   counts 0. When the handler is a VADRecordingPromptHandler that has been
//   cancelled (a question answered 4), the listing stops after the entry
//   and the sum so far is returned.
// A folder already being looked into further up (a symbolic link back to
// it) is not entered again.
// `failed`, when given, receives the number of those folders whose install
// gave no asset (the null KUID: refused, unreadable, or no reply).
int32_t InstallFromPath(const Vek::File::Path& folder, ResultsLog* log, int32_t flags, uint8_t& out,
                        VADPromptHandler* handler, int32_t* failed = nullptr);
