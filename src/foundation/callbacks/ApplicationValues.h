#pragma once
// Process-wide application values kept beside the dispatcher: the
// application name, three values that nothing sets (so they read 0), an
// optional hook, and the event that opening the database sets.
#include <cstdint>
#include <string>

#include "engine/Sync.h"

// Seeds the shared random generators when they are not seeded yet, stores
// the name and records the calling thread as the main thread.
void SetApplicationName(const char* name);
std::string GetApplicationName();

float GetApplicationVersion();
int32_t GetApplicationBuild();
uint8_t GetApplicationFlag();

// The optional hook taking two integers; 0 while none is installed (the
// program installs none).
using ApplicationHook = int32_t (*)(int32_t, int32_t);
void SetApplicationHook(ApplicationHook hook);
int32_t CallApplicationHook(int32_t first, int32_t second);

// A process-wide manual-reset event; opening the database sets it. Nothing
// in the program waits on it.
void SetDatabaseOpenedEvent();
Vek::WEvent& DatabaseOpenedEvent();
