#pragma once
// The words that change one asset's edit state: "edit", "commit", "revert"
// and "delete". Each takes a KUID (A parsed in strict mode, so a bare
// "3:100" is the null KUID, which the daemon then refuses); an empty A
// gives "Missing AssetID parameter." and -1.
#include <cstdint>

#include "frontend/commands/CommandArguments.h"

// Opens the asset for editing (the daemon's messages go to the log). No
// handle: error "Unknown AssetID." naming the asset, -1. Else writes
// "+ <tag> : <folder>" and a line end, the folder being the asset's folder
// inside its location; 0.
int32_t RunEditWord(CommandArguments& args);
// Opens the asset for editing without a log and commits it (flags 0) with
// the log; 0 when the commit succeeds, else -1.
int32_t RunCommitWord(CommandArguments& args);
// Opens the asset without edit rights and without a log and reverts its
// edits without a log; 0 when the revert succeeds, else -1.
int32_t RunRevertWord(CommandArguments& args);
// Deletes the asset (flag 1: with its edits), without a log; 0 / -1.
int32_t RunDeleteWord(CommandArguments& args);
// When commit, revert or delete fails and no error says why, the word adds
// the reason after its own lines, read from the daemon's record of the
// asset: "Unknown AssetID." (naming the asset) for an asset it does not
// know, "The asset is not open for editing." for a revert of an asset that
// is not, else a line naming the step that failed. A failure of the link is
// left to the dispatcher's own line.
