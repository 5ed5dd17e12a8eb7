#pragma once
// Words that report what the daemon knows: "printconfig", "generatekuid"
// and "listbuilds".
#include <cstdint>

#include "frontend/commands/CommandArguments.h"

// Empty A: "Missing AssetID parameter.", -1. The asset's configuration
// (strict KUID); none: error "Asset is not local." naming the asset, -1.
// Else writes "+ Start of <tag> dump", the configuration in text form,
// "+ End of <tag> dump", each ending with a line end; 0.
int32_t RunPrintConfigWord(CommandArguments& args);

// A new KUID from the daemon, written as "<KUID2:user:content:version>"
// (user signed, the others unsigned) and a line end; -1 for the null KUID
// (printed as "<KUID2:-1:4294967295:127>"), else 0.
int32_t RunGenerateKuidWord(CommandArguments& args);

// Empty A: "Missing path parameter.", -1. Creates the file A (relative to
// the current directory); when that fails "Failed to open output file.",
// -1; when the text cannot be written whole "Failed to write output
// file.", -1. Else the daemon's installed-builds text and a line end go
// into it; 0.
int32_t RunListBuildsWord(CommandArguments& args);
