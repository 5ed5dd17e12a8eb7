#pragma once
// One client's link to the stand-in daemon, served on its own thread: the
// hello, then frames until the goodbye, the peer's close, or operation 270.
// Requests get a reply (empty unless the scenario gives one); one-way
// frames (transaction id 0) get none. The scenario may delay or drop a
// reply, drop the link, end the daemon, send notices and ask questions.
#include <atomic>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "vaddaemon/LinkSocket.h"

class DaemonServer;
struct ScenarioRule;

class ClientConnection {
public:
    ClientConnection(DaemonServer& server, int fd, int number);
    void Run();
    // Wakes the connection's thread so that it ends.
    void Shutdown() { m_socket.Shutdown(); }
    bool Finished() const { return m_finished; }

private:
    struct Frame {
        int32_t op = 0;
        int32_t id = 0;
        std::vector<uint8_t> payload;
    };
    enum class Read { kFrame, kGoodbye, kEnd };

    bool ReadHello();
    Read ReadFrame(Frame& frame);
    // False when the link is to end.
    bool Handle(const Frame& frame);
    bool ApplyRule(const Frame& frame, const ScenarioRule& rule, std::vector<uint8_t>& body);
    // Reads frames until the answer to the question of transaction `id`
    // comes, at most `timeoutMs`; other frames wait their turn. False when
    // the link ended meanwhile.
    bool AwaitAnswer(int32_t id, uint32_t timeoutMs);
    void Note(const std::string& text);

    DaemonServer& m_server;
    LinkSocket m_socket;
    int m_number;
    std::deque<Frame> m_pending;
    bool m_goodbye = false;
    std::atomic<bool> m_finished{false};
};
