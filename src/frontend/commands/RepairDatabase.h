#pragma once
// "repairdatabase [extended|patcher|base]": the daemon repairs the asset
// database while this command waits and collects its messages.
#include <cstdint>

#include "frontend/commands/CommandArguments.h"

// The repair mode of a (lower-cased) argument: "extended" 150, "patcher"
// 50, "base" 20, empty 100; -1 for any other text.
int32_t RepairModeForArgument(const std::string& argument);

// An unknown argument: error "Unknown parameter.", -1, nothing repaired;
// so is a log that already holds an error. Unless the mode is 50, writes
// "Repairing asset database (this may take some time)" and a line end.
// Runs the repair inline with a fresh task as its log, then the command's
// log takes over the task's entries and counters; in mode 50 the daemon is
// told that the patcher's repair is done. 255 when the repair reported
// errors, else 0.
int32_t RunRepairDatabaseWord(CommandArguments& args);
