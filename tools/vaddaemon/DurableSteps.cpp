#include "vaddaemon/DurableSteps.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>

namespace {

constexpr int kCrashExitStatus = 9;

long CrashAfterStep() {
    const char* text = std::getenv("VADDAEMON_CRASH_AFTER_STEP");
    if (!text || !*text) return 0;
    char* end = nullptr;
    const long step = std::strtol(text, &end, 10);
    return end && *end == '\0' && step > 0 ? step : 0;
}

}  // namespace

void DurableStep() {
    static const long crashAfter = CrashAfterStep();
    static std::atomic<long> steps{0};
    if (crashAfter > 0 && ++steps == crashAfter) ::_exit(kCrashExitStatus);
}
