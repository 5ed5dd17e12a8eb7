#pragma once
// "importconsists <path>": turns an old-style consist list into consist
// assets, one per train the daemon does not already have.
//
// The list is a soup file (its extension selects the form) holding
// containers "train-0", "train-1", ... (the first missing index ends the
// list), each with a "name" and a container "list" of "car-N" (KUID),
// "num-N" (integer) and "dir-N" (boolean), N = 0, 1, ... while "car-N"
// exists.
#include <cstdint>
#include <string>

#include "frontend/commands/CommandArguments.h"

class ResultsLog;

// Runs with `startupDirectory` as the current directory (restored on every
// exit), so a relative `path` is found where the user started.
// - Empty path: "Missing input path parameter.", -1. A file that does not
//   load as a soup: "Invalid input path.", -1.
// - A train without "name" or "list" is passed over, and so is a train
//   whose name equals (letter case ignored) the user-visible name of a
//   local, available, listed, not obsolete asset of category "CN".
// - Otherwise a new asset is created and opened for editing, its
//   "config.txt" loaded (it may be missing), "kind" = "consist",
//   "username" = the name and "vorlex-build" = 3.1 set, "consist-list"
//   built with one container "car-N" per car ("car-kuid", "car-num",
//   "car-dir") and "kuid-table" with each car KUID once, in KUID order; the
//   configuration is saved as text and the asset committed with the log.
// - When the asset cannot be created or has no folder, or its
//   configuration cannot be saved, the train gets an error naming it and
//   is skipped; nothing is written elsewhere and an asset made for it is
//   reverted. Such errors make the result -1; otherwise it is 0.
int32_t ImportConsists(const char* path, const std::string& startupDirectory, ResultsLog& log);

// The word: ImportConsists with A and the start-up directory.
int32_t RunImportConsistsWord(CommandArguments& args);
