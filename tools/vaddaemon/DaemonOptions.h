#pragma once
// The stand-in daemon's settings, from the environment:
//   VADDAEMON_SCENARIO=FILE    a text soup that scripts its behaviour (Scenario.h)
//   VADDAEMON_TRANSCRIPT=FILE  every frame it receives is appended there
//   VADDAEMON_IDLE_S=N         it ends after N seconds without a client
//                              (default 300)
#include <cstdint>
#include <string>

struct DaemonOptions {
    std::string scenarioPath;
    std::string transcriptPath;
    uint32_t idleSeconds = 300;

    static DaemonOptions FromEnvironment();
};
