#pragma once
// The program log: a client ("Vorlex") of the engine log. Every subsystem
// writes its diagnostic lines here, prefixed with the function's name
// ("InterfaceTextDB::GetString> Tag '%s' not found in '%s'"). Where the
// lines go is decided by the engine log's options at start-up.
#include <cstdarg>

#include "engine/Log.h"

// The program's engine log client, made once and kept for the whole run.
Vek::LogClient* ProgramLogClient();

// Formats printf-style and writes the text as one message; a '%' inside
// the formatted text is written as it is. A null format writes nothing.
void LogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogVPrintf(const char* format, va_list args);
