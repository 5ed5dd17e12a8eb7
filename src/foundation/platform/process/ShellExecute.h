#pragma once
// Starting a program and getting its process id. The program runs in a new
// session with its standard streams on /dev/null, so it outlives this
// process and never writes to its console. The started process is reaped
// by a small thread of this process when it ends, so it never stays behind
// as a zombie (which would still count as alive).
#include <string>
#include <vector>

// Show-mode flags of ShellExecuteGetProcessId. A Linux program has no window
// to show or hide: the flags are accepted and change nothing.
constexpr unsigned kShellExecuteMinimised = 1;
constexpr unsigned kShellExecuteHidden = 2;

// Starts `program` (a path of the program's form, '\' or '/' separators,
// resolved case-insensitively) with `parameters` (a command-line text, split
// as Windows splits one: blanks separate arguments, double quotes group,
// "\"" is a quote) in `directory` (empty: the current one). Returns the
// process id, or 0 for an empty program path or when the program could not
// be started.
int ShellExecuteGetProcessId(const char* program, const char* parameters, const char* directory,
                             unsigned flags);

// The arguments of a command-line text, split as described above.
std::vector<std::string> SplitCommandLine(const char* text);
