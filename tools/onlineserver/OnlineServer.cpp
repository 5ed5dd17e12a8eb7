#include "onlineserver/OnlineServer.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "engine/AnsiString.h"
#include "engine/PString.h"
#include "foundation/kuid/KUID.h"
#include "foundation/soups/BinarySoupReader.h"
#include "foundation/soups/BinarySoupWriter.h"
#include "foundation/soups/SoupHandle.h"
#include "foundation/streams/BufferStream.h"

namespace {

double Now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

ServerBytes Bytes(const TBuffer& buffer) {
    return ServerBytes(buffer.GetData(), buffer.GetData() + buffer.GetDataSize());
}

// A stream over a received payload, after its type byte.
class PayloadReader : public TBuffer {
public:
    explicit PayloadReader(const ServerBytes& payload) {
        if (payload.size() > 1) Write(payload.data() + 1, static_cast<int32_t>(payload.size() - 1));
        Seek(0, kSeekSet);
    }
};

std::string Text(const Vek::AnsiString& text) { return std::string(text.c_str(), text.Length()); }

}  // namespace

OnlineServer::OnlineServer(const ServerScenario& scenario, ServerTranscript& transcript)
    : m_scenario(scenario), m_transcript(transcript) {}

OnlineServer::~OnlineServer() {
    if (m_socket >= 0) ::close(m_socket);
}

bool OnlineServer::Open(uint16_t port) {
    m_socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_socket < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return false;
    socklen_t length = sizeof address;
    ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    return true;
}

OnlineServer::Session& OnlineServer::SessionFor(const sockaddr_in& from) {
    for (auto& [id, session] : m_sessions)
        if (session.address.sin_addr.s_addr == from.sin_addr.s_addr && session.address.sin_port == from.sin_port)
            return session;
    const int id = m_nextSession++;
    Session& session = m_sessions[id];
    session.id = id;
    session.address = from;
    const int fd = m_socket;
    session.link = std::make_unique<ServerLink>(
        [fd, from](const ServerBytes& datagram) {
            ::sendto(fd, datagram.data(), datagram.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&from),
                     sizeof from);
        },
        [this, id](const ServerBytes& payload) {
            auto it = m_sessions.find(id);
            if (it != m_sessions.end()) Handle(it->second, payload);
        });
    return session;
}

OnlineServer::Session* OnlineServer::SessionOf(const std::string& profile) {
    for (auto& [id, session] : m_sessions)
        if (session.signedIn && session.profile == profile) return &session;
    return nullptr;
}

void OnlineServer::Handle(Session& session, const ServerBytes& payload) {
    if (payload.empty()) return;
    switch (payload[0]) {
    case 31: HandleLogin(session, payload); break;
    case 2: HandleToken(session, payload); break;
    case 11: HandleMessage(session, payload); break;
    case 22: case 23: case 24: case 25: case 26: case 28: case 29: HandleGroup(session, payload[0], payload); break;
    default: m_transcript.Line(session.id, "unknown type=" + std::to_string(payload[0]));
    }
}

void OnlineServer::HandleLogin(Session& session, const ServerBytes& payload) {
    PayloadReader in(payload);
    Vek::String profile, application, sessionKey;
    float version = 0;
    int32_t build = 0;
    uint8_t flag = 0, last = 0;
    in.ReadString(profile);
    in.ReadString(application);
    in.ReadFloat(version);
    in.ReadInt32(build);
    in.ReadByte(flag);
    in.ReadString(sessionKey);
    in.ReadByte(last);
    session.profile = Text(profile);
    session.clientSession = Text(sessionKey);
    m_transcript.Line(session.id, "login profile=" + session.profile + " application=" + Text(application) +
                                      " session-key-bytes=" + std::to_string(session.clientSession.size()) +
                                      " last=" + std::to_string(last));
    TBuffer answer;
    answer.WriteByte(1);
    answer.WriteString(m_scenario.loginError.c_str());
    const std::string key = m_scenario.shortKey ? "SHORTKY" : "StandInServerKey";
    answer.WriteString(m_scenario.loginError.empty() ? key.c_str() : "");
    session.link->Queue(Bytes(answer));
    // From the next payload on, both directions are scrambled.
    if (m_scenario.loginError.empty() && !m_scenario.shortKey) session.link->SetKeys(session.clientSession, key);
}

void OnlineServer::HandleToken(Session& session, const ServerBytes& payload) {
    PayloadReader in(payload);
    Vek::String token;
    in.ReadString(token);
    m_transcript.Line(session.id, "token " + Text(token));
    TBuffer answer;
    if (m_scenario.plainResult) {
        answer.WriteByte(3);
        answer.WriteString(m_scenario.tokenError.c_str());
        answer.WriteInt32(0);
        answer.WriteFloat(0.0f);
    } else {
        answer.WriteByte(4);
        answer.WriteString(m_scenario.tokenError.c_str());
        answer.WriteByte(m_scenario.multiplayer ? 1 : 0);
        answer.WriteUInt32(m_scenario.minuteLimit);
        answer.WriteUInt32(0);
        answer.WriteUInt32(m_scenario.hourLimit);
    }
    session.link->Queue(Bytes(answer));
    session.signedIn = m_scenario.tokenError.empty();
    if (session.signedIn && m_scenario.closeAfterLogin) {
        session.link->Pump(m_now);
        session.link->SendClose();
        m_transcript.Line(session.id, "close");
    }
}

void OnlineServer::HandleMessage(Session& session, const ServerBytes& payload) {
    PayloadReader in(payload);
    KUID sender;
    Vek::String name;
    SoupHandle soup;
    int32_t version = 0;
    bool flag = false;
    in.ReadKUID(sender);
    in.ReadString(name);
    ReadBinarySoup(soup, in);
    in.ReadInt32(version);
    in.ReadBool(flag);
    const std::string to = Text(name);
    Session* recipient = SessionOf(to);
    m_transcript.Line(session.id, "message to=" + to + " sender=" + sender.ToTagString().c_str() +
                                      " version=" + std::to_string(version) + (recipient ? "" : " undelivered"));
    if (!recipient) return;
    TBuffer out;
    out.WriteByte(11);
    sender.Write(out);
    out.WriteString(session.profile.c_str());
    WriteBinarySoup(out, soup);
    out.WriteInt32(version);
    out.WriteByte(flag ? 1 : 0);
    recipient->link->Queue(Bytes(out));
}

ServerBytes OnlineServer::MemberList(const std::vector<Member>& members) {
    TBuffer out;
    const uint16_t count = static_cast<uint16_t>(members.size());
    out.Write(&count, 2);
    for (const Member& m : members) {
        out.WritePString(m.name.c_str());
        out.WriteByte(m.status);
        out.WriteInt32(m.flags);
    }
    return Bytes(out);
}

void OnlineServer::SendToMembers(const std::string& cookie, const ServerBytes& payload, const Session* except) {
    auto group = m_groups.find(cookie);
    if (group == m_groups.end()) return;
    for (const Member& m : group->second.members) {
        Session* member = SessionOf(m.name);
        if (member && member != except) member->link->Queue(payload);
    }
}

void OnlineServer::HandleGroup(Session& session, uint8_t type, const ServerBytes& payload) {
    PayloadReader in(payload);
    auto joinedPacket = [](uint8_t packetType, const std::string& cookie, const ServerBytes& members,
                           const int32_t* requestId) {
        TBuffer out;
        out.WriteByte(packetType);
        if (requestId) out.WriteInt32(*requestId);
        out.WritePString(cookie.c_str());
        out.Write(members.data(), static_cast<int32_t>(members.size()));
        return Bytes(out);
    };
    if (type == 29) {
        int32_t requestId = 0, groupType = 0;
        in.ReadInt32(requestId);
        in.ReadInt32(groupType);
        const std::string cookie = "group-" + std::to_string(m_nextGroup++);
        Group& group = m_groups[cookie];
        group.type = groupType;
        group.members.push_back({session.profile, 1, 0});
        m_transcript.Line(session.id, "group-create id=" + std::to_string(requestId) + " cookie=" + cookie);
        session.link->Queue(joinedPacket(29, cookie, MemberList(group.members), &requestId));
        return;
    }
    if (type == 24) {
        // A group message leads with its sender, not its cookie.
        KUID sender;
        Vek::String userName;
        Vek::PString cookie;
        SoupHandle soup;
        in.ReadKUID(sender);
        in.ReadString(userName);
        in.ReadPString(cookie);
        ReadBinarySoup(soup, in);
        if (m_groups.find(cookie.c_str()) == m_groups.end()) {
            m_transcript.Line(session.id, "group-unknown type=24 cookie=" + std::string(cookie.c_str()));
            return;
        }
        m_transcript.Line(session.id, "group-message cookie=" + std::string(cookie.c_str()));
        TBuffer out;
        out.WriteByte(24);
        sender.Write(out);
        out.WriteString(session.profile.c_str());
        out.WritePString(cookie);
        WriteBinarySoup(out, soup);
        SendToMembers(cookie.c_str(), Bytes(out), &session);
        return;
    }
    Vek::PString cookieText;
    in.ReadPString(cookieText);
    const std::string cookie = cookieText.c_str();
    auto found = m_groups.find(cookie);
    if (type == 28) {
        int32_t groupType = 0;
        in.ReadInt32(groupType);
        Group& group = m_groups[cookie];
        if (found == m_groups.end()) group.type = groupType;
        if (std::none_of(group.members.begin(), group.members.end(),
                         [&](const Member& m) { return m.name == session.profile; }))
            group.members.push_back({session.profile, 1, 0});
        m_transcript.Line(session.id, "group-open cookie=" + cookie);
        session.link->Queue(joinedPacket(21, cookie, MemberList(group.members), nullptr));
        SendToMembers(cookie, joinedPacket(23, cookie, MemberList({{session.profile, 1, 0}}), nullptr), &session);
        return;
    }
    if (found == m_groups.end()) {
        m_transcript.Line(session.id, "group-unknown type=" + std::to_string(type) + " cookie=" + cookie);
        TBuffer closed;
        closed.WriteByte(22);
        closed.WritePString(cookie.c_str());
        if (type != 22) session.link->Queue(Bytes(closed));
        return;
    }
    Group& group = found->second;
    switch (type) {
    case 22: {
        m_transcript.Line(session.id, "group-leave cookie=" + cookie);
        group.members.erase(std::remove_if(group.members.begin(), group.members.end(),
                                           [&](const Member& m) { return m.name == session.profile; }),
                            group.members.end());
        SendToMembers(cookie, joinedPacket(23, cookie, MemberList({{session.profile, 255, 0}}), nullptr), &session);
        if (group.members.empty()) m_groups.erase(found);
        return;
    }
    case 23: {
        uint8_t operation = 0;
        Vek::PString user;
        in.ReadByte(operation);
        in.ReadPString(user);
        const std::string name = user.c_str();
        m_transcript.Line(session.id, "group-user cookie=" + cookie + (operation == 255 ? " remove " : " add ") + name);
        group.members.erase(std::remove_if(group.members.begin(), group.members.end(),
                                           [&](const Member& m) { return m.name == name; }),
                            group.members.end());
        if (operation != 255) group.members.push_back({name, 0, 0});
        SendToMembers(cookie, joinedPacket(23, cookie, MemberList({{name, operation == 255 ? uint8_t{255} : uint8_t{0}, 0}}), nullptr),
                      nullptr);
        return;
    }
    default:
        m_transcript.Line(session.id, "group-flags type=" + std::to_string(type) + " cookie=" + cookie);
        return;
    }
}

void OnlineServer::EndSession(int id) {
    m_transcript.Line(id, "gone");
    m_sessions.erase(id);
}

void OnlineServer::Run(double idleSeconds) {
    std::vector<uint8_t> buffer(100000);
    double lastDatagram = Now();
    for (;;) {
        m_now = Now();
        if (m_now - lastDatagram > idleSeconds) break;
        pollfd wait{m_socket, POLLIN, 0};
        if (::poll(&wait, 1, 50) > 0) {
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const ssize_t got = ::recvfrom(m_socket, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &length);
            if (got > 0) {
                lastDatagram = Now();
                Session& session = SessionFor(from);
                const int id = session.id;
                if (!session.link->Receive(buffer.data(), static_cast<std::size_t>(got), m_now)) {
                    m_transcript.Line(id, "closed by client");
                    EndSession(id);
                    continue;
                }
            }
        }
        std::vector<int> ended;
        for (auto& [id, session] : m_sessions)
            if (!session.link->Pump(Now())) ended.push_back(id);
        for (int id : ended) EndSession(id);
    }
    for (auto& [id, session] : m_sessions) session.link->SendClose();
}
