#include "gsruntime/GSLog.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace GSRuntime {

GSLogFunction GSLogCallback = nullptr;

void GSLog(const char* format, ...) {
    GSLogFunction sink = GSLogCallback;
    if (!sink) return;
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int needed = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string text;
    if (needed > 0) {
        text.resize(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(text.data(), text.size(), format, args);
        text.resize(static_cast<std::size_t>(needed));
    }
    va_end(args);
    sink("%s", text.c_str());
}

}  // namespace GSRuntime
