#include "vaddaemon/ClientConnection.h"

#include <unistd.h>

#include <chrono>
#include <thread>

#include "engine/File.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/streams/BufferStream.h"
#include "vaddaemon/DaemonServer.h"
#include "vaddaemon/LinkWords.h"
#include "vaddaemon/OperationCodes.h"
#include "vaddaemon/StoreFailure.h"

namespace {

// The longest database path a hello may carry.
constexpr int32_t kMaxHelloPath = 4096;
// A frame's payload room past this is given back after the frame.
constexpr std::size_t kMaxKeptPayload = 65536;
constexpr int32_t kSeverityError = 3;

std::vector<uint8_t> Bytes(const TBuffer& buffer) {
    return std::vector<uint8_t>(buffer.GetData(), buffer.GetData() + buffer.GetDataSize());
}

// The payload of a log-line notice: the transaction id, then the log's
// entries from `first` on in their wire form.
std::vector<uint8_t> LogLinePayload(int32_t transactionId, ResultsLog& log, int32_t first = 0) {
    TBuffer payload;
    payload.WriteInt32(transactionId);
    log.WriteEntries(payload, first);
    return Bytes(payload);
}

std::string TagText(uint32_t tag) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = static_cast<char>(tag >> shift);
        text += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return text;
}

uint32_t TagFromText(const std::string& text) {
    uint32_t tag = 0;
    for (char c : text) tag = tag << 8 | static_cast<uint8_t>(c);
    return tag;
}

int32_t WordAt(const std::vector<uint8_t>& bytes, std::size_t at) {
    return static_cast<int32_t>(static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
                                static_cast<uint32_t>(bytes[at + 2]) << 16 |
                                static_cast<uint32_t>(bytes[at + 3]) << 24);
}

}  // namespace

ClientConnection::ClientConnection(DaemonServer& server, int fd, int number)
    : m_server(server), m_socket(std::make_shared<LinkSocket>(fd)), m_number(number) {}

void ClientConnection::Note(const std::string& text) { m_server.GetTranscript().Line(m_number, text); }

Vek::DynamicBuffer* ClientConnection::KeptBlock(std::unique_ptr<Vek::DynamicBuffer>& block) {
    // A block grown past this by a large request is not kept.
    constexpr std::size_t kMaxKeptBytes = 65536;
    if (!block || block->AllocatedSize() > kMaxKeptBytes)
        block = std::make_unique<Vek::DynamicBuffer>(TBuffer::kBlockInitialSize, TBuffer::kBlockGrowStep);
    block->Clean();
    return block.get();
}

void ClientConnection::Run() {
    if (ReadHello()) {
        // One frame, its payload's room kept from frame to frame.
        Frame frame;
        for (;;) {
            if (frame.payload.capacity() > kMaxKeptPayload) frame.payload = std::vector<uint8_t>();
            if (!m_pending.empty()) {
                frame = std::move(m_pending.front());
                m_pending.pop_front();
            } else {
                Read read = ReadFrame(frame);
                if (read != Read::kFrame) break;
            }
            if (!Handle(frame)) break;
        }
    }
    m_socket->Shutdown();
    m_server.GetCommandHosts().Unregister(m_number);
    m_server.GetLibrary().ReleaseConnection(m_number);
    m_finished = true;
}

bool ClientConnection::ReadHello() {
    int32_t tag = 0, version = 0, build = 0, kind = 0, length = 0;
    if (!m_socket->ReceiveWord(tag) || !m_socket->ReceiveWord(version) || !m_socket->ReceiveWord(build) ||
        !m_socket->ReceiveWord(kind) || !m_socket->ReceiveWord(length)) {
        Note("end");
        return false;
    }
    if (static_cast<uint32_t>(tag) != LinkWord::kClientHello || length < 0 || length > kMaxHelloPath) {
        Note("bad hello tag=" + TagText(static_cast<uint32_t>(tag)) + " length=" + std::to_string(length));
        return false;
    }
    std::vector<uint8_t> path;
    if (!m_socket->ReceivePayload(length, path)) {
        Note("end");
        return false;
    }
    std::string pathText(path.begin(), path.end());
    Note("hello tag=" + TagText(static_cast<uint32_t>(tag)) + " version=" + std::to_string(version) +
         " build=" + std::to_string(build) + " kind=" + std::to_string(kind) + " path=" + pathText);
    if (m_server.GetScenario().dropHello) return false;
    std::string error;
    const bool served = m_server.OpenStore(pathText, error);
    if (!error.empty()) Note("bad store " + error);
    if (!served) return false;
    // The client reads both words and does not use them.
    return m_socket->SendWord(static_cast<int32_t>(TagFromText(m_server.GetScenario().helloTag))) &&
           m_socket->SendWord(LinkWord::kVersion) && m_socket->SendWord(m_number);
}

ClientConnection::Read ClientConnection::ReadFrame(Frame& frame) {
    int32_t op = 0;
    if (!m_socket->ReceiveWord(op)) {
        Note("end");
        return Read::kEnd;
    }
    if (op == LinkWord::kGoodbye) {
        Note("goodbye");
        m_goodbye = true;
        return Read::kGoodbye;
    }
    int32_t length = 0;
    if (!m_socket->ReceiveWord(frame.id) || !m_socket->ReceiveWord(length)) {
        Note("end");
        return Read::kEnd;
    }
    if (length < 0) {
        Note("bad frame op=" + std::to_string(op) + " length=" + std::to_string(length));
        return Read::kEnd;
    }
    if (!m_socket->ReceivePayload(length, frame.payload)) {
        Note("end");
        return Read::kEnd;
    }
    frame.op = op;
    if (m_server.GetTranscript().IsOpen())
        Note("frame op=" + std::to_string(op) + " id=" + std::to_string(frame.id) + " length=" +
             std::to_string(length) + " payload=" + Transcript::Hex(frame.payload.data(), frame.payload.size()));
    return Read::kFrame;
}

bool ClientConnection::AwaitAnswer(int32_t id, uint32_t timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || !m_socket->WaitReadable(static_cast<uint32_t>(left))) {
            Note("unanswered question id=" + std::to_string(id));
            return true;
        }
        Frame frame;
        if (ReadFrame(frame) != Read::kFrame) return false;
        if (frame.op == Op::kQuestionAnswer && frame.id == 0 && frame.payload.size() >= 8 && WordAt(frame.payload, 0) == id)
            return true;
        m_pending.push_back(std::move(frame));
    }
}

bool ClientConnection::ApplyRule(const Frame& frame, const ScenarioRule& rule, std::vector<uint8_t>& body) {
    if (rule.delayMs) std::this_thread::sleep_for(std::chrono::milliseconds(rule.delayMs));
    std::string error;
    for (const ScenarioNotice& notice : rule.notices) {
        std::vector<uint8_t> payload;
        if (!BuildPayload(notice.payload, frame.id, payload, error)) {
            Note("scenario " + error);
            continue;
        }
        m_answer.push_back(LinkFrame{LinkWord::kNotice, notice.type, std::move(payload)});
    }
    if (rule.hasQuestion) {
        TBuffer question;
        question.WriteInt32(frame.id);
        question.WritePString(rule.questionText.c_str());
        question.WriteKUID(rule.questionAsset);
        m_answer.push_back(LinkFrame{LinkWord::kNotice, Notice::kQuestion, Bytes(question)});
        const bool sent = m_socket->SendFrames(m_answer);
        m_answer.clear();
        if (!sent || !AwaitAnswer(frame.id, rule.questionTimeoutMs)) return false;
    }
    if (!BuildPayload(rule.reply, frame.id, body, error)) Note("scenario " + error);
    return true;
}

void ClientConnection::Carry(const Frame& frame, std::vector<uint8_t>& body) {
    // The payload and the reply are written into the connection's blocks,
    // kept from request to request (streams of their own, so no error
    // state carries over).
    TBuffer payload(KeptBlock(m_payloadBlock), false);
    payload.Write(frame.payload.data(), static_cast<int32_t>(frame.payload.size()));
    payload.Rewind();
    TBuffer reply(KeptBlock(m_replyBlock), false);
    OperationContext context;
    context.connection = m_number;
    context.transactionId = frame.id;
    const int32_t id = frame.id;
    // Only the repair reports after its reply; the socket outlives the link
    // for it.
    if (frame.op == Op::kRepairStart) {
        std::shared_ptr<LinkSocket> socket = m_socket;
        context.laterLines = [socket, id](ResultsLog& log) {
            if (id != 0) socket->SendNotice(Notice::kLogLines, LogLinePayload(id, log));
        };
    }
    // Lines sent while the operation runs (an install's assets, each as it
    // is done); the rest go with the answer.
    m_linesSent = 0;
    context.sendLines = [this, &context] {
        const std::size_t lines = context.log.GetEntryCount();
        if (context.transactionId == 0 || lines <= m_linesSent) return;
        m_socket->SendNotice(Notice::kLogLines, LogLinePayload(context.transactionId, context.log,
                                                               static_cast<int32_t>(m_linesSent)));
        m_linesSent = lines;
    };
    // Without a store only the repair runs (it makes a new one); every other
    // request is answered empty, with the reason as the daemon's own line
    // (transaction 0), which the client reports with the running word.
    // The advice to repair only for a file SQLite finds damaged: a store
    // kept from opening by a full disk is sound.
    bool damaged = false;
    const std::string storeError = m_server.GetLibrary().StoreError(&damaged);
    if (!storeError.empty() && frame.op != Op::kRepairStart && frame.op != Op::kRepairProgress &&
        frame.op != Op::kShutdownDaemon && frame.op != Op::kKeepAlive) {
        if (id != 0)
            AnswerWithOwnLine("The asset database cannot be opened: " + storeError + "." +
                              (damaged ? " \"repairdatabase\" keeps it aside and makes a new one." : ""));
        body.clear();
        return;
    }
    ClearStoreFailure();
    const bool carried = m_server.GetDispatcher().Carry(frame.op, payload, reply, context);
    // A request whose answer rests on a read or write of the store that
    // failed never answers as if it had worked (a shorter list, a default):
    // the cause goes out as the daemon's own line, which the client reports
    // whether or not it keeps the request's lines, and the reply is empty
    // unless the operation reported its failure in its own lines (its reply
    // then says it failed).
    StoreFailure failure;
    const bool storeFailed = TakeStoreFailure(failure);
    const bool answeredFailure = storeFailed && context.log.GetEntryCount() > m_linesSent;
    if (id != 0 && context.log.GetEntryCount() > m_linesSent)
        m_answer.push_back(LinkFrame{LinkWord::kNotice, Notice::kLogLines,
                                     LogLinePayload(id, context.log, static_cast<int32_t>(m_linesSent))});
    if (storeFailed && id != 0) AnswerWithOwnLine(failure.text);
    if (storeFailed && !answeredFailure) {
        body.clear();
        return;
    }
    if (!carried) {
        Note("bad payload op=" + std::to_string(frame.op) + " id=" + std::to_string(frame.id));
        body.clear();
        return;
    }
    body = Bytes(reply);
    m_noticesAfterReply = std::move(context.noticesAfterReply);
}

void ClientConnection::AnswerWithOwnLine(const std::string& text) {
    ResultsLog reason;
    reason.AddEntry(kSeverityError, text.c_str());
    m_answer.push_back(LinkFrame{LinkWord::kNotice, Notice::kLogLines, LogLinePayload(0, reason)});
}

bool ClientConnection::SendJobs() {
    std::string error;
    for (const ScenarioJob& job : m_server.GetScenario().jobs) {
        if (job.delayMs) std::this_thread::sleep_for(std::chrono::milliseconds(job.delayMs));
        std::vector<uint8_t> payload;
        if (!BuildPayload(job.payload, 0, payload, error)) {
            Note("scenario " + error);
            continue;
        }
        if (!m_server.GetCommandHosts().Send(m_number, payload)) return false;
    }
    return true;
}

bool ClientConnection::Handle(const Frame& frame) {
    if (frame.id == 0 && frame.op == Op::kCommandHostJobReply) {
        Note("job reply " + std::to_string(m_jobReplies++) + " payload=" +
             Transcript::Hex(frame.payload.data(), frame.payload.size()));
        m_server.GetCommandHosts().Deliver(m_number, frame.payload);
    }
    ScenarioRule rule;
    bool ruled = m_server.GetScenario().Match(frame.op, rule);
    std::vector<uint8_t> body;
    if (ruled) {
        if (!ApplyRule(frame, rule, body)) return false;
        const bool unanswered = rule.action == ScenarioRule::kDropReply || rule.action == ScenarioRule::kDropLink ||
                                rule.action == ScenarioRule::kExit;
        if (unanswered) {
            // The rule's notices still go out; only the reply is missing.
            const bool sent = m_socket->SendFrames(m_answer);
            m_answer.clear();
            if (rule.action == ScenarioRule::kExit) ::_exit(3);
            return sent && rule.action == ScenarioRule::kDropReply;
        }
        switch (rule.action) {
            case ScenarioRule::kCarry:
                Carry(frame, body);
                break;
            case ScenarioRule::kDropReply:
            case ScenarioRule::kDropLink:
            case ScenarioRule::kExit:
            case ScenarioRule::kReply:
            case ScenarioRule::kKeepRunning:
                break;
        }
    } else {
        Carry(frame, body);
    }
    // A shutdown stands whether or not its reply reaches the client, which
    // may close its link as soon as the request is out.
    const bool shutdown =
        frame.op == Op::kShutdownDaemon && !(ruled && rule.action == ScenarioRule::kKeepRunning);
    // The answer goes out in one write: its notices, the reply, the notices
    // after it.
    if (frame.id != 0) m_answer.push_back(LinkFrame{LinkWord::kReply, frame.id, std::move(body)});
    for (auto& [type, payload] : m_noticesAfterReply)
        m_answer.push_back(LinkFrame{LinkWord::kNotice, type, std::move(payload)});
    m_noticesAfterReply.clear();
    const bool sent = m_socket->SendFrames(m_answer);
    m_answer.clear();
    if (shutdown) {
        m_server.RequestStop();
        return false;
    }
    if (!sent) return false;
    if (frame.id == 0 && frame.op == Op::kCommandHostRegister && !m_commandHost) {
        m_commandHost = true;
        Note("command host");
        m_server.GetCommandHosts().Register(m_number, m_socket);
        if (!SendJobs()) return false;
    }
    return true;
}
