#include "vaddaemon/DaemonOptions.h"

#include <cstdlib>

DaemonOptions DaemonOptions::FromEnvironment() {
    DaemonOptions options;
    if (const char* scenario = std::getenv("VADDAEMON_SCENARIO")) options.scenarioPath = scenario;
    if (const char* transcript = std::getenv("VADDAEMON_TRANSCRIPT")) options.transcriptPath = transcript;
    if (const char* idle = std::getenv("VADDAEMON_IDLE_S")) {
        char* end = nullptr;
        unsigned long seconds = std::strtoul(idle, &end, 10);
        if (end && *end == '\0' && *idle && seconds > 0 && seconds <= 86400ul)
            options.idleSeconds = static_cast<uint32_t>(seconds);
    }
    if (const char* wait = std::getenv("VADDAEMON_HOST_WAIT_MS")) {
        char* end = nullptr;
        unsigned long ms = std::strtoul(wait, &end, 10);
        if (end && *end == '\0' && *wait && ms > 0 && ms <= 3600000ul) options.hostWaitMs = static_cast<uint32_t>(ms);
    }
    return options;
}
