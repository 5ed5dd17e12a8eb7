#pragma once
// One client's link to the stand-in daemon, served on its own thread: the
// hello, then frames until the goodbye, the peer's close, or operation 270.
// Each frame's operation is carried out (OperationDispatcher.h); the
// messages it has for the requester go out as one log-line notice of the
// transaction before the reply, in the same write as the reply (a log line
// of a long install goes out as soon as its asset is done). Requests get a reply; one-way frames
// (transaction id 0) get none. A scenario rule that matches a frame
// replaces that: it may delay or drop a reply, give its own, let the
// daemon carry the operation out after all, drop the link, end the daemon,
// send notices and ask questions. The asset handles the link opened are
// closed when it ends. A link that registers as the command host receives
// the scenario's jobs; their replies are written to the transcript.
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/DynamicBuffer.h"
#include "vaddaemon/LinkSocket.h"

class DaemonServer;
struct ScenarioRule;

class ClientConnection {
public:
    ClientConnection(DaemonServer& server, int fd, int number);
    void Run();
    // Wakes the connection's thread so that it ends.
    void Shutdown() { m_socket->Shutdown(); }
    bool Finished() const { return m_finished; }
    bool IsCommandHost() const { return m_commandHost; }

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
    // Carries the operation out; the reply body goes to `body`.
    void Carry(const Frame& frame, std::vector<uint8_t>& body);
    // Adds the daemon's own log line (transaction 0) to the answer: the
    // reason a request is answered empty.
    void AnswerWithOwnLine(const std::string& text);
    // The link became the command host: the scenario's jobs go to it. False
    // when the link ended.
    bool SendJobs();
    // `block`, emptied (a new one when missing or grown large).
    static Vek::DynamicBuffer* KeptBlock(std::unique_ptr<Vek::DynamicBuffer>& block);

    DaemonServer& m_server;
    // Shared with jobs that send log lines after the reply (the repair).
    std::shared_ptr<LinkSocket> m_socket;
    int m_number;
    std::deque<Frame> m_pending;
    // The frames of the answer being made, sent together in one write.
    std::vector<LinkFrame> m_answer;
    // The blocks a request's payload and reply are written into.
    std::unique_ptr<Vek::DynamicBuffer> m_payloadBlock;
    std::unique_ptr<Vek::DynamicBuffer> m_replyBlock;
    // How many of the running operation's log lines went out already.
    std::size_t m_linesSent = 0;
    // Notices of the operation just carried out, sent after its reply.
    std::vector<std::pair<int32_t, std::vector<uint8_t>>> m_noticesAfterReply;
    // The link registered as the command host (one-way 140).
    std::atomic<bool> m_commandHost{false};
    int m_jobReplies = 0;
    bool m_goodbye = false;
    std::atomic<bool> m_finished{false};
};
