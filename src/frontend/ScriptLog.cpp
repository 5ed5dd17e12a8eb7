#include "frontend/ScriptLog.h"

#include <cstdarg>
#include <cstdio>

#include "foundation/log/LogPrintf.h"
#include "gsruntime/GSLog.h"

void ScriptLog(const char* format, ...) {
    if (!format) return;
    char text[kScriptLogBufferSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    text[sizeof text - 1] = '\0';
    LogPrintf("ScriptLog> %s", text);
}

void InstallScriptLog() { GSRuntime::GSLogCallback = ScriptLog; }
