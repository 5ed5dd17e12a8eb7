#pragma once
// The program's own console writer, used by the crash handlers and by the
// folder-creation routine (result lines of commands are printed by the
// front end instead). Each line goes to the log file when one is set, to
// standard output (UTF-16 when standard output is the per-process FIFO,
// see StdoutFifo.h) and to the registered output listeners, all under one
// re-entrant output lock.
#include <cstdarg>
#include <string>
#include <string_view>

#include "engine/Sync.h"

class ConsoleOutputListener;
class ConsoleLogFile;

// The output lock. The crash-report code takes it around its own output;
// it is re-entrant for its holder thread.
Vek::CriticalSection& ConsoleOutputLock();

// Writes one line: the text and a line feed.
void WriteConsoleLine(std::string_view text);

// printf-style, narrow. The formatted text is cut to 65535 characters; a
// null format writes nothing.
void ConsolePrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void ConsoleVPrintf(const char* format, va_list args);

// printf-style on wide texts (wchar_t, as the C library formats them:
// "%ls" for a wide string argument), cut to 65535 characters, then
// narrowed with WideToAnsi and written as one line. A null format writes
// nothing.
void ConsolePrintfW(const wchar_t* format, ...);

// The log file that console lines are copied to; null (the default) for none.
void SetConsoleLogFile(ConsoleLogFile* logFile);
ConsoleLogFile* GetConsoleLogFile();

// Output listeners, called in the order of their addresses. A line written
// by a listener while it is being told is not passed to the listeners again.
void AddConsoleOutputListener(ConsoleOutputListener* listener);
void RemoveConsoleOutputListener(ConsoleOutputListener* listener);

// The file descriptor the console writer writes to and whether it is the
// per-process FIFO (texts then go out as UTF-16). Standard output (1) and
// false until the FIFO is opened.
void SetConsoleOutput(int fd, bool piped);
int GetConsoleOutputFd();
bool IsConsoleOutputPiped();
