#pragma once
// The stand-in daemon's settings, from the environment:
//   VADDAEMON_SCENARIO=FILE    a text soup that scripts its behaviour (Scenario.h)
//   VADDAEMON_TRANSCRIPT=FILE  every frame it receives is appended there
//   VADDAEMON_IDLE_S=N         it ends after N seconds without a client
//                              (default 300)
//   VADDAEMON_HOST_WAIT_MS=N   how long a validation waits for a command
//                              host's registration and for its reply
//                              (default 30000 each)
//   VADDAEMON_USER_ID=N        the user id whose range new KUIDs are made
//                              in, when the "internet" settings hold no
//                              "user-id"
// and from its settings file, UserData/vaddaemon.txt (a text soup):
//   user-id 523401             the same user id; the environment wins
#include <cstdint>
#include <string>

struct DaemonOptions {
    std::string scenarioPath;
    std::string transcriptPath;
    uint32_t idleSeconds = 300;
    uint32_t hostWaitMs = 30000;
    // -1: none given.
    int32_t userId = -1;

    // Reads the settings file first (`settingsPath`, a path for the file
    // layer; a missing file sets nothing), then the environment.
    static DaemonOptions Read(const std::string& settingsPath);
};
