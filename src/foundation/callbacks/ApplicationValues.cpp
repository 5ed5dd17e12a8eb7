#include "foundation/callbacks/ApplicationValues.h"

#include <atomic>
#include <mutex>

#include "foundation/callbacks/MainThread.h"
#include "foundation/random/SharedRandom.h"

namespace {

std::mutex g_nameLock;
std::string g_applicationName;
std::atomic<ApplicationHook> g_hook{nullptr};

}  // namespace

void SetApplicationName(const char* name) {
    SeedRandomGenerators();
    {
        std::lock_guard<std::mutex> guard(g_nameLock);
        g_applicationName = name ? name : "";
    }
    RecordMainThread();
}

std::string GetApplicationName() {
    std::lock_guard<std::mutex> guard(g_nameLock);
    return g_applicationName;
}

float GetApplicationVersion() { return 0.0f; }

int32_t GetApplicationBuild() { return 0; }

uint8_t GetApplicationFlag() { return 0; }

void SetApplicationHook(ApplicationHook hook) { g_hook.store(hook); }

int32_t CallApplicationHook(int32_t first, int32_t second) {
    ApplicationHook hook = g_hook.load();
    return hook ? hook(first, second) : 0;
}

void SetDatabaseOpenedEvent() { DatabaseOpenedEvent().Set(); }

Vek::WEvent& DatabaseOpenedEvent() {
    static Vek::WEvent* event = new Vek::WEvent(true, false);
    return *event;
}
