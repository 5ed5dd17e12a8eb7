#pragma once
// The work of the createcdp command: one archive holding every asset named,
// exported by the daemon and written to the output path.
#include <cstdint>

class ResultsLog;

// `outputPath` must be given and have the extension "cdp" (any letter
// case); each of the `count` texts of `assets` is a KUID, parsed leniently.
// Every asset must be installed locally; each is exported (mode 3) with the
// log attached and added to the archive in order. A KUID named twice is
// added once. Returns 0 when the archive was written, else -1 with nothing
// written and the reason in the log:
//   "Missing output path parameter.", "The output filename must have a .cdp
//   extension.", "Invalid AssetID.", "Asset is not local." (with the
//   "AssetID" property), or the archive's own text when an export gave no
//   asset ("Unable to add content as it doesnt not contain a valid KUID",
//   with the "AssetID" property).
// The archive is written into a temporary file beside the output and
// renamed over it when whole, so a failed write leaves an earlier file as
// it was; it prints "Unable to write archive file. Needs to be .cdp file
// extension" and, on a line of its own, the cause, on standard error.
int32_t CreateCdpArchive(const char* outputPath, const char* const* assets, int32_t count, ResultsLog& log);
