#pragma once
// Diagnostic lines of the soup code. They go to the program's log client
// ("Vorlex") from this one place, so that they can be rerouted together.

// Formats printf-style (C locale) and writes one line to the program log.
void SoupLogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
