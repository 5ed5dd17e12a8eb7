#pragma once
// "installcdp <path>" and "installfrompath <path>": installs from an archive
// file or from asset folders. A relative path is joined to the directory
// the user started from.
#include <cstdint>

#include "frontend/commands/CommandArguments.h"

// Empty A: "Missing input filepath parameter.", -1. Otherwise the daemon
// installs the archive (VADInstallArchiveFile with the log, flags 2 and no
// prompt handler), whether or not a file is there; 0 when it answers a
// non-zero result, else -1.
int32_t RunInstallCdpWord(CommandArguments& args);

// Empty A: "Missing input path parameter.", -1; nothing at the path:
// "Invalid input path.", -1. Otherwise InstallFromPath with the log, flags
// 0 and no prompt handler; 0 when at least one asset folder was found and
// each of them installed, else -1. When none was found the word says why:
// "The input path is not a folder." (a file), or "No asset was found in
// the input folder: ..." (a folder without asset folders).
int32_t RunInstallFromPathWord(CommandArguments& args);
