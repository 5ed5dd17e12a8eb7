#pragma once
// Installing one asset of an archive into the asset database.
//
// The daemon owns the database, so the install works through an asset
// handle: the installed asset is opened for editing (or a new one is
// created), its folder is cleared when it held an installed asset, the
// entry's files and configuration are written into the folder, and the
// asset is committed when the flags ask for it.
//
// Messages go to the log with the parameter "asset_kuid" (the KUID's tag
// text) and an asset-id property naming the KUID:
//   "$vad_write_error"     the asset cannot be opened or created for
//                          editing, has no folder, or its configuration
//                          cannot be written (the edit is then reverted);
//   "$vad_overwrite_error" the folder of the installed asset cannot be
//                          deleted;
//   "$vad_failed_install"  the files could not be extracted (the edit is
//                          reverted);
//   "$vad_installed"       success.
#include <cstdint>

#include "assetdb/archives/CdpArchive.h"
#include "foundation/kuid/KUID.h"

class ResultsLog;
class VADPromptHandler;

// Install flags.
enum : int32_t {
    // Commit after writing, with the configuration stored as "config.chump"
    // (else "config.txt"). Cleared when the asset was installed before.
    kInstallCommit = 2,
    // The entry's content signature matched; set or cleared by the install
    // itself, never taken from the caller.
    kInstallSignatureMatched = 4,
    // Handed on to the commit.
    kInstallCommitFlag8 = 8,
};

// Installs the entry. `installed` receives the installed KUID, or the null
// KUID when nothing was installed (it is also returned). `commitSecond`
// receives the commit's second reply byte. With a prompt handler, an asset
// that is installed already is overwritten only when the handler answers 2
// or 3; any other answer ends the install with nothing written or logged.
const KUID& InstallArchiveEntry(KUID& installed, const CdpAssetEntry& entry, ResultsLog& log, int32_t flags,
                                uint8_t& commitSecond, VADPromptHandler* prompts);
