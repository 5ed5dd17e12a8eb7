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
    return options;
}
