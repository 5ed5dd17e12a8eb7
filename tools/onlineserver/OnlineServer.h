#pragma once
// The stand-in messaging server: signs clients in, routes direct messages
// by the recipient's profile name (the message's name on the way in; on
// the way out the name is the sender's profile), and keeps groups with
// their members, member changes and group messages. One UDP socket on
// 127.0.0.1; each client address is a session with its own ServerLink.
#include <netinet/in.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "onlineserver/ServerLink.h"
#include "onlineserver/ServerScenario.h"

class OnlineServer {
public:
    OnlineServer(const ServerScenario& scenario, ServerTranscript& transcript);
    ~OnlineServer();
    // Binds 127.0.0.1:port (0: any free port). False on failure.
    bool Open(uint16_t port);
    uint16_t Port() const { return m_port; }
    // Serves until `idleSeconds` pass without a datagram.
    void Run(double idleSeconds);

private:
    struct Session {
        int id = 0;
        sockaddr_in address{};
        std::unique_ptr<ServerLink> link;
        std::string profile;
        std::string clientSession;
        bool signedIn = false;
    };
    struct Member {
        std::string name;
        uint8_t status = 0;
        int32_t flags = 0;
    };
    struct Group {
        int32_t type = 0;
        std::vector<Member> members;
    };

    Session& SessionFor(const sockaddr_in& from);
    void Handle(Session& session, const ServerBytes& payload);
    void HandleLogin(Session& session, const ServerBytes& payload);
    void HandleToken(Session& session, const ServerBytes& payload);
    void HandleMessage(Session& session, const ServerBytes& payload);
    void HandleGroup(Session& session, uint8_t type, const ServerBytes& payload);
    void SendToMembers(const std::string& cookie, const ServerBytes& payload, const Session* except);
    static ServerBytes MemberList(const std::vector<Member>& members);
    Session* SessionOf(const std::string& profile);
    void EndSession(int id);

    const ServerScenario& m_scenario;
    ServerTranscript& m_transcript;
    int m_socket = -1;
    uint16_t m_port = 0;
    int m_nextSession = 1;
    int m_nextGroup = 1;
    double m_now = 0;
    std::map<int, Session> m_sessions;
    std::map<std::string, Group> m_groups;
};
