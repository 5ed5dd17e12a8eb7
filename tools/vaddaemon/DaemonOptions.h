#pragma once
// The stand-in daemon's settings, from the environment:
//   VADDAEMON_SCENARIO=FILE    a text soup that scripts its behaviour (Scenario.h)
//   VADDAEMON_TRANSCRIPT=FILE  every frame it receives is appended there
//   VADDAEMON_IDLE_S=N         it ends after N seconds without a client
//                              (default 300)
//   VADDAEMON_HOST_WAIT_MS=N   how long a validation waits for a command
//                              host's registration and for its reply
//                              (default 30000 each)
#include <cstdint>
#include <string>

struct DaemonOptions {
    std::string scenarioPath;
    std::string transcriptPath;
    uint32_t idleSeconds = 300;
    uint32_t hostWaitMs = 30000;

    static DaemonOptions FromEnvironment();
};
