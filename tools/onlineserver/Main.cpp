// The stand-in online messaging server. Environment:
//   ONLINESERVER_PORT=N          UDP port on 127.0.0.1 (0 or unset: any free port)
//   ONLINESERVER_PORT_FILE=FILE  where the port is written once listening
//   ONLINESERVER_SCENARIO=FILE   the scenario (ServerScenario.h)
//   ONLINESERVER_TRANSCRIPT=FILE the transcript of events
//   ONLINESERVER_IDLE_S=N        seconds without a datagram before it ends (300)
// It prints "listening PORT" on standard output.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "onlineserver/OnlineServer.h"
#include "onlineserver/ServerScenario.h"

int main() {
    const char* portText = std::getenv("ONLINESERVER_PORT");
    const char* idleText = std::getenv("ONLINESERVER_IDLE_S");
    ServerScenario scenario;
    if (!scenario.Load(std::getenv("ONLINESERVER_SCENARIO"))) {
        std::fprintf(stderr, "onlineserver: the scenario cannot be read\n");
        return 1;
    }
    ServerTranscript transcript(std::getenv("ONLINESERVER_TRANSCRIPT"));
    OnlineServer server(scenario, transcript);
    const long port = portText ? std::strtol(portText, nullptr, 10) : 0;
    if (port < 0 || port > 65535 || !server.Open(static_cast<uint16_t>(port))) {
        std::fprintf(stderr, "onlineserver: cannot listen on 127.0.0.1:%ld\n", port);
        return 1;
    }
    if (const char* portFile = std::getenv("ONLINESERVER_PORT_FILE")) {
        const std::string temporary = std::string(portFile) + ".tmp";
        if (FILE* f = std::fopen(temporary.c_str(), "w")) {
            std::fprintf(f, "%u\n", server.Port());
            std::fclose(f);
            std::rename(temporary.c_str(), portFile);
        }
    }
    std::printf("listening %u\n", server.Port());
    std::fflush(stdout);
    const double idle = idleText ? std::strtod(idleText, nullptr) : 300.0;
    server.Run(idle > 0 ? idle : 300.0);
    return 0;
}
