#pragma once
// Starting the simulator and the graphical asset tool of an installation.
#include "foundation/platform/process/GameConfig.h"

// Starts `folder`'s "bin/AssetDesk" with no arguments in `folder`. False
// when the program is not there or does not start.
bool LaunchAssetDesk(const char* folder);

// The simulator's command line: `extra` followed by the options' text.
std::string BuildGameCommandLine(const char* extra, const GameDisplayOptions& options);

// Starts `folder`'s "bin/vorlex" in `folder` with BuildGameCommandLine of
// `extra` and `options`; without options, those of the folder's
// "Vorlex.cfg", or the defaults when it does not read. False when the
// program is not there or does not start.
bool LaunchGame(const char* folder, const char* extra, const GameDisplayOptions* options);
