#include "foundation/log/FatalError.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "foundation/log/LogPrintf.h"

namespace {

std::string FormatText(const char* format, va_list args) {
    if (!format) return std::string();
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0) return std::string();
    std::string text(static_cast<std::size_t>(n), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    return text;
}

}  // namespace

void FatalError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatText(format, args);
    va_end(args);

    // The program log first, as every diagnostic line; "%s" keeps a '%'
    // inside the text from being read as a format again.
    LogPrintf("%s", text.c_str());

    // In place of a message box: one line on standard error.
    std::fflush(stdout);
    std::fprintf(stderr, "Error: %s\n", text.c_str());
    std::fflush(stderr);
    ::_exit(1);
}
