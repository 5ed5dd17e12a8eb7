#pragma once
// The stand-in server's scenario (a text soup named by
// ONLINESERVER_SCENARIO, every key optional) and its transcript (a file
// named by ONLINESERVER_TRANSCRIPT, one line per event).
//
//   login-error "TEXT"    answer every login with this error (packet 1)
//   short-key 1           announce a key of 7 bytes
//   token-error "TEXT"    answer the token with this error (packet 4)
//   plain-result 1        sign in with packet 3 instead of packet 4
//   multiplayer 0         packet 4 grants no multiplayer access (1 by default)
//   minute-limit N        packet 4's minute limit (300000 by default)
//   hour-limit N          packet 4's hour limit (10800000 by default)
//   close-after-login 1   send the close notice right after signing in
#include <cstdint>
#include <string>

struct ServerScenario {
    std::string loginError;
    bool shortKey = false;
    std::string tokenError;
    bool plainResult = false;
    bool multiplayer = true;
    uint32_t minuteLimit = 300000;
    uint32_t hourLimit = 10800000;
    bool closeAfterLogin = false;

    // False when the file is named but cannot be read.
    bool Load(const char* path);
};

class ServerTranscript {
public:
    explicit ServerTranscript(const char* path);
    ~ServerTranscript();
    void Line(int client, const std::string& text);

private:
    FILE* m_file = nullptr;
};
