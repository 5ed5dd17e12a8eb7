#pragma once
// Ending the other processes that run a given program file.
#include <string>

// For every process other than the calling one whose program file
// (/proc/PID/exe, less a " (deleted)" suffix) is `path` (compared after
// normalising both and without regard to case, as on Windows): polls every
// 200 ms, for at most `waitMs`, whether it has ended by itself; when it
// still runs after that, logs "Terminating process with ID %d" and kills
// it. A wait of 0 never ends anything. The processes are handled one after
// the other, each with the full wait.
void TerminateProcessesByPath(const char* path, int waitMs);

// The program file of a process in that normalised, lower-cased form, or
// empty when it cannot be read.
std::string ProcessProgramKey(int processId);
// The normalised, lower-cased form of a program path (resolved through the
// engine's case-insensitive layer and its symbolic links).
std::string ProgramPathKey(const char* path);
