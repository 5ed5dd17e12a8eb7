#pragma once
// The download-service words: "installfromfpx <KUID>", "fpxparse <archive>"
// and "fpxdeleteall".
#include <cstdint>

#include "frontend/commands/CommandArguments.h"

class ResultsLog;

// Deletes every local asset (each with its edits, without a log): a search
// for the status "local" alone, then one deletion per result. Always true.
bool DeleteAllFpxAssets(ResultsLog& log);

// The null KUID (an empty or unparsable A): "Missing AssetID parameter.",
// -1. Otherwise InstallFromFpx with the log; 0 whatever it reported (its
// messages are in the log).
int32_t RunInstallFromFpxWord(CommandArguments& args);

// Empty A: "Missing CDP filepath.", -1. Otherwise ParseFpxPackage of argv[2]
// as given (relative to the current directory, the program folder), with
// the status line and the validation of the "status" and "validate" words
// as its per-asset checks; 0 after a completed run, else -1.
int32_t RunFpxParseWord(CommandArguments& args);

// DeleteAllFpxAssets; 0.
int32_t RunFpxDeleteAllWord(CommandArguments& args);
