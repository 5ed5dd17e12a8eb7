#pragma once
// Exact-length transfers on one of the daemon's connections, with the
// link's little-endian words and frame forms. A reply or notice goes out
// whole under the socket's send lock, so the connection's thread and a job
// that reports later (the repair) never mix their frames.
#include <cstdint>
#include <mutex>
#include <vector>

// One frame the daemon sends: tag 'repl' or 'note', the transaction id or
// notice type, and the body.
struct LinkFrame {
    uint32_t tag = 0;
    int32_t word = 0;
    std::vector<uint8_t> body;
};

class LinkSocket {
public:
    explicit LinkSocket(int fd) : m_fd(fd) {}
    ~LinkSocket();
    LinkSocket(const LinkSocket&) = delete;
    LinkSocket& operator=(const LinkSocket&) = delete;

    int Fd() const { return m_fd; }
    // Wakes a thread blocked on the socket; the socket stays open.
    void Shutdown();

    // Reads through a buffer: one recv takes whatever has arrived, up to
    // the buffer's size, and the words of a frame come out of it.
    bool Receive(void* buffer, std::size_t size);
    bool ReceiveWord(int32_t& value);
    // `length` bytes in pieces, so a length word that lies costs no more
    // memory than the bytes that come. False for a negative length.
    bool ReceivePayload(int32_t length, std::vector<uint8_t>& payload);
    // Waits at most `timeoutMs` for bytes to read (true at once when some
    // were read ahead); false on time-out.
    bool WaitReadable(uint32_t timeoutMs);

    bool Send(const void* data, std::size_t size);
    bool SendWord(int32_t value);
    // tag 'repl', transaction id, body length, body.
    bool SendReply(int32_t transactionId, const std::vector<uint8_t>& body);
    // tag 'note', notice type, payload length, payload.
    bool SendNotice(int32_t type, const std::vector<uint8_t>& payload);
    // Frames in order, in one write: a request's log lines, its reply and
    // the notices after it leave together, so the peer never waits on the
    // second part of an answer.
    bool SendFrames(const std::vector<LinkFrame>& frames);

    int m_fd;
    std::mutex m_sendLock;
    // The bytes of the frames being sent, under the send lock; the room is
    // kept for the next answer.
    std::vector<uint8_t> m_sendBytes;
    // Bytes read ahead: a frame's words and payload come out of one recv
    // where they arrived together. Only the connection's thread reads.
    static constexpr std::size_t kReadAheadBytes = 16384;
    std::vector<uint8_t> m_readAhead = std::vector<uint8_t>(kReadAheadBytes);
    std::size_t m_readFrom = 0;
    std::size_t m_readTo = 0;
};
