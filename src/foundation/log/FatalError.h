#pragma once
// Ends the process over an error it cannot recover from.

// Formats the text printf-style (C locale), writes it to the program log,
// then writes "Error: " and the text as one line on standard error and ends
// the process at once with exit code 1: standard output and error are
// flushed and no static destructor runs. Never returns.
[[noreturn]] void FatalError(const char* format, ...) __attribute__((format(printf, 1, 2)));
