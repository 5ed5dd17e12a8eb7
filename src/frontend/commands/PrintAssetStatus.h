#pragma once
// "status <KUID>": one line describing an asset's state.
#include <cstdint>

#include "frontend/commands/CommandArguments.h"

class ResultsLog;

// Reads the asset's whole info record. An asset the daemon does not know:
// error "Unknown AssetID." naming it, false. Otherwise writes to standard
// output "+ <tag> : <flags> : <category class> : <name>" and a line end,
// the flags being seven letters, upper case when set: E open for edit,
// I installed, A archived, D on the download service, L locally modified,
// M missing dependencies, F faulty. True.
bool PrintAssetStatus(const KUID& asset, ResultsLog& log);

// Empty A: "Missing AssetID parameter.", -1; else PrintAssetStatus of the
// strictly parsed KUID: 0 / -1.
int32_t RunStatusWord(CommandArguments& args);
