#include "foundation/log/LogPrintf.h"

#include <cstdio>
#include <string>

namespace {

// Made during static start-up so that no later first use races.
Vek::LogClient* const g_client = Vek::Log::GetClient("Vorlex");

}  // namespace

Vek::LogClient* ProgramLogClient() { return g_client ? g_client : Vek::Log::GetClient("Vorlex"); }

void LogVPrintf(const char* format, va_list args) {
    if (!format) return;
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed < 0) return;
    std::string text(static_cast<std::size_t>(needed) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<std::size_t>(needed));
    ProgramLogClient()->OutputString("%s", text.c_str());
}

void LogPrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    LogVPrintf(format, args);
    va_end(args);
}
