#include "vaddaemon/DaemonOptions.h"

#include <cstdlib>

#include "foundation/kuid/KUID.h"
#include "foundation/soups/SoupFiles.h"
#include "foundation/soups/SoupHandle.h"

namespace {

// A user id in KUID range; -1 for anything else.
int32_t UserIdOf(long long value) { return value >= 0 && value <= KUID::kMaxUserID ? static_cast<int32_t>(value) : -1; }

}  // namespace

DaemonOptions DaemonOptions::Read(const std::string& settingsPath) {
    DaemonOptions options;
    SoupHandle settings;
    if (!settingsPath.empty() && LoadSoupFile(settings, Vek::PString(), settingsPath.c_str(), "txt") &&
        settings.HasTag("user-id"))
        options.userId = UserIdOf(settings.GetInt("user-id", -1));
    if (const char* user = std::getenv("VADDAEMON_USER_ID")) {
        char* end = nullptr;
        const long long value = std::strtoll(user, &end, 10);
        if (end && *end == '\0' && *user) options.userId = UserIdOf(value);
    }
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
