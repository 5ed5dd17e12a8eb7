#pragma once
// Installing content through the daemon: from a folder (operation 39) and
// from an archive file (operation 40). The caller's log receives the
// daemon's log lines; a prompt handler, when given, answers the daemon's
// questions (an asset already installed, for instance).
#include <cstdint>

#include "engine/AnsiString.h"
#include "engine/File.h"
#include "foundation/kuid/KUID.h"

class ResultsLog;
class VADPromptHandler;

// Payload: string folder path; int32 flags; byte 1 when a prompt handler is
// given, else 0. Reply: KUID, returned; byte, stored in `out`. Failure: the
// null KUID, `out` unchanged.
KUID VADInstallFromFolder(const Vek::File::Path& folder, ResultsLog* log, int32_t flags, uint8_t& out,
                          VADPromptHandler* handler);

// Payload: string archive path; int32 flags; byte 1 when a prompt handler
// is given, else 0. Reply: int32 result, returned; byte, stored in `out`.
// Failure: 0, `out` unchanged. `installcdp` sends flags 2, the
// download-service install flags 6.
int32_t VADInstallArchiveFile(const char* path, ResultsLog* log, int32_t flags, uint8_t& out,
                              VADPromptHandler* handler);
