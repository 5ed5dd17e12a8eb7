#pragma once
// The script runtime's log output: one process-wide printf-style function
// pointer through which every runtime message goes. The runtime never sets
// it; the program installs its script-log sink at start-up. While it is null
// nothing is logged and nothing is formatted.
namespace GSRuntime {

using GSLogFunction = void (*)(const char* format, ...);

extern GSLogFunction GSLogCallback;

// Formats one message and hands the finished text to GSLogCallback as
// ("%s", text), so that a '%' inside a path or a name is never taken as a
// format. Nothing happens while no callback is installed.
void GSLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace GSRuntime
