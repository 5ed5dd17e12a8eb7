#include <cstdio>

#include "engine/PString.h"
#include "foundation/soups/SoupFiles.h"
#include "foundation/soups/SoupHandle.h"
#include "onlineserver/ServerScenario.h"

bool ServerScenario::Load(const char* path) {
    if (!path || !*path) return true;
    SoupHandle soup;
    if (!LoadSoupFile(soup, Vek::PString(), path, "txt")) return false;
    loginError = soup.GetString(Vek::PString("login-error")).c_str();
    shortKey = soup.GetInt(Vek::PString("short-key"), 0) != 0;
    tokenError = soup.GetString(Vek::PString("token-error")).c_str();
    plainResult = soup.GetInt(Vek::PString("plain-result"), 0) != 0;
    multiplayer = soup.GetInt(Vek::PString("multiplayer"), 1) != 0;
    minuteLimit = static_cast<uint32_t>(soup.GetInt(Vek::PString("minute-limit"), 300000));
    hourLimit = static_cast<uint32_t>(soup.GetInt(Vek::PString("hour-limit"), 10800000));
    closeAfterLogin = soup.GetInt(Vek::PString("close-after-login"), 0) != 0;
    return true;
}

ServerTranscript::ServerTranscript(const char* path) {
    if (path && *path) m_file = std::fopen(path, "a");
}

ServerTranscript::~ServerTranscript() {
    if (m_file) std::fclose(m_file);
}

void ServerTranscript::Line(int client, const std::string& text) {
    if (!m_file) return;
    std::fprintf(m_file, "c%d %s\n", client, text.c_str());
    std::fflush(m_file);
}
