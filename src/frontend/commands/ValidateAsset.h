#pragma once
// "validate <KUID>": has the daemon validate an asset's folder.
#include <cstdint>

#include "frontend/commands/CommandArguments.h"

class ResultsLog;

// Opens the asset without edit rights (the daemon's messages go to the
// log); no handle, or no location and folder: false. Otherwise, with every
// entry added meanwhile naming the asset: an asset built for 2.70 or later
// (build x 100, truncated, above 269) has its folder validated
// (VADValidateAssetFolder with the log; its answer is not used); an older
// one gets the error "$vad_upload_asset_obsolete" (localised, with
// "asset_kuid" and "lowest_vorlexbuild" = "2.7" filled in). True.
bool ValidateAsset(const KUID& asset, ResultsLog& log);

// Empty A: "Missing AssetID parameter.", -1; else ValidateAsset of the
// strictly parsed KUID: 0 / -1.
int32_t RunValidateWord(CommandArguments& args);
