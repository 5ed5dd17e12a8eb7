#include "gsruntime/GSThreadServices.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "gsruntime/GSLog.h"

namespace GSRuntime {

namespace {

GSThreadServices g_services;
GSThread* g_currentThread = nullptr;

}  // namespace

void GSSetThreadServices(const GSThreadServices& services) { g_services = services; }

const GSThreadServices& GSGetThreadServices() { return g_services; }

bool GSCanRunThreads() {
    return g_services.stack && g_services.saveState && g_services.restoreState && g_services.execute;
}

GSThread* GSCurrentThread() { return g_currentThread; }

void GSSetCurrentThread(GSThread* thread) { g_currentThread = thread; }

void GSRaiseScriptException(const char* format, ...) {
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
    if (g_currentThread && g_services.exception) {
        g_services.exception(g_currentThread, text.c_str(), false);
    } else {
        GSLog("%s", text.c_str());
    }
}

}  // namespace GSRuntime
