#pragma once
// Installing content from outside the store: an asset folder (operation 39)
// is copied into the location "local" under its KUID's folder name and
// registered from its configuration, as a committed, unmodified asset. An
// archive file (operation 40) is loaded with CdpArchive::Load and each of
// its assets is extracted into "local" in the same way, with the
// configuration MakeInstallConfig gives stored as "config.chump".
//
// Either way the files are put together in a staging folder and renamed
// into "local" after the record is committed, so a crash at any moment
// leaves each asset installed whole or absent (InstallStaging.h).
//
// Nothing is overwritten: an asset the store knows already (committed or
// being edited), or a folder of its name already in "local", makes the
// install fail (for an archive: that asset's install; the others go on). A folder that holds the location "local" itself is refused,
// as copying it would copy into itself. Each outcome is one log line for
// the requester: information naming the asset on success, an error
// otherwise.
#include <cstdint>
#include <functional>
#include <string>

#include "foundation/kuid/KUID.h"

class AssetLibrary;
class ResultsLog;

// `folder` is an absolute path for the engine's file layer. The installed
// KUID, or the null KUID on failure.
KUID InstallAssetFolder(AssetLibrary& library, const std::string& folder, ResultsLog* log);

// `path` is an absolute path of an archive for the engine's file layer. The
// number of assets installed; `everything` tells whether that is all of
// them (false too when the archive cannot be loaded, which its error text
// reports, or when the path names no regular file: "The archive "PATH"
// does not exist." or "... is not a file.", for a folder, a FIFO or a
// device, which is never opened). `assetDone`, when given, is called after each asset's line is
// in the log, so that the line can go to the requester at once.
int32_t InstallArchiveFile(AssetLibrary& library, const std::string& path, ResultsLog* log, bool& everything,
                           const std::function<void()>& assetDone = {});
