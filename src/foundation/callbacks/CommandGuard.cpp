#include "foundation/callbacks/CommandGuard.h"

#include <atomic>

namespace {

std::atomic<bool> g_commandGuard{false};

}  // namespace

void SetCommandGuard() { g_commandGuard.store(true); }

bool IsCommandGuardSet() { return g_commandGuard.load(); }
