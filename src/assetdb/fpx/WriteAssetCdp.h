#pragma once
// Writing one installed asset as a single-asset content archive.
#include "foundation/kuid/KUID.h"

class ResultsLog;

// Exports the asset through the daemon (operation 48, mode 3, with the log),
// sets its content signature, adds it to a new archive and writes the
// archive to `path`. When the export gives no asset (the archive refuses
// the entry) or the write fails, the error entry "Unable to write asset to
// CDP: %s" carries the reason, and for a refused entry no file is written.
// True when written.
bool WriteAssetCdp(const KUID& kuid, const char* path, ResultsLog& log);
