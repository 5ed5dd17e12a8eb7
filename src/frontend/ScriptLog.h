#pragma once
// The script system's log sink: main installs it as the script runtime's
// log output (GSRuntime::GSLogCallback), and the script compiler, runtime
// and natives write their diagnostic lines through it.

// Formats printf-style into a buffer of kScriptLogBufferSize bytes (longer
// text is cut; the last byte is always NUL) and writes "ScriptLog> " and the
// text to the program log.
void ScriptLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

constexpr int kScriptLogBufferSize = 16384;

// Installs ScriptLog as the script runtime's log output.
void InstallScriptLog();
