#pragma once
// "validate <KUID>": has the daemon validate an asset's folder.
#include <cstdint>

#include "frontend/commands/CommandArguments.h"

class ResultsLog;

// Opens the asset without edit rights (the daemon's messages go to the
// log); no handle, or no location and folder: false. Otherwise, with every
// entry added meanwhile naming the asset: an asset built for 2.70 or later
// (build x 100, truncated, above 269) has its folder validated
// (VADValidateAssetFolder with the log: the daemon's command host runs the
// validation, and the answer tells whether it ran); an older one gets the
// error "$vad_upload_asset_obsolete" (localised, with "asset_kuid" and
// "lowest_vorlexbuild" = "2.7" filled in). True when the asset was looked
// at, whatever was found; false when the validation did not run (no command
// host, no answer, or a host that could not validate), so that a validation
// that never happened is not reported as success.
bool ValidateAsset(const KUID& asset, ResultsLog& log);

// Empty A: "Missing AssetID parameter.", -1; else ValidateAsset of the
// strictly parsed KUID: 0 / -1.
int32_t RunValidateWord(CommandArguments& args);
