#include "foundation/soups/SoupLog.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "engine/Log.h"

void SoupLogPrintf(const char* format, ...) {
    if (!format) return;
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int needed = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (needed > 0) {
        text.resize(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        text.resize(static_cast<std::size_t>(needed));
    }
    va_end(again);
    // "%s" keeps a '%' inside the text from being read as a format again.
    Vek::Log::GetClient("Vorlex")->OutputString("%s", text.c_str());
}
