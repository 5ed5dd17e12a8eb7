#include "foundation/network/SSLLockTable.h"

#include <memory>

#include "engine/Sync.h"
#include "engine/Thread.h"

namespace {

int32_t g_count = 0;
std::unique_ptr<Vek::CriticalSection[]> g_sections;
std::unique_ptr<uint8_t[]> g_held;

}  // namespace

namespace SSLLockTable {

void Create(int32_t count) {
    Destroy();
    if (count <= 0) return;
    g_sections.reset(new Vek::CriticalSection[static_cast<std::size_t>(count)]);
    g_held.reset(new uint8_t[static_cast<std::size_t>(count)]());
    g_count = count;
}

void Destroy() {
    g_count = 0;
    g_sections.reset();
    g_held.reset();
}

int32_t Count() { return g_count; }

bool IsHeld(int32_t n) { return n >= 0 && n < g_count && g_held[n] != 0; }

void LockingCallback(int mode, int n, const char*, int) {
    if (n < 0 || n >= g_count) return;
    if (mode & kLock) {
        g_sections[n].Enter();
        g_held[n] = 1;
    } else if ((mode & kUnlock) && g_held[n]) {
        g_held[n] = 0;
        g_sections[n].Leave();
    }
}

unsigned long ThreadIdCallback() { return static_cast<unsigned long>(Vek::Thread::GetCurrentId()); }

}  // namespace SSLLockTable
