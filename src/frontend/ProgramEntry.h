#pragma once
// The program's entry: help requests, start-up, one command or a batch
// file, printing, shutdown and the exit code.

// Returns the exit code on the early paths (no command word: -1 after the
// help text; "help" in any case: 0; failed start-up: -1; missing batch
// file: -1). On every other path it ends the process at once with the exit
// code, without running static destructors.
int ProgramMain(int argc, char** argv);
