#pragma once
// A frame-level fake daemon for the request tests: after the hello it reads
// the client's frames (operation, transaction id, payload), records them
// and hands each to a handler that may reply, send notices, or end the
// link. Also a small byte builder for golden bytes: every value is spelt
// out little-endian here, independently of the program's streams.
#include <netinet/tcp.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "assetdb/client/ClientTestSupport.h"
#include "assetdb/client/FakeDaemon.h"

namespace VorlexTest {

// Golden bytes, built field by field.
class Bytes {
public:
    Bytes() = default;
    // Hex digits in pairs, blanks ignored: "0a 0b0c".
    explicit Bytes(const char* hex) { Hex(hex); }

    Bytes& Hex(const char* hex) {
        std::string digits;
        for (const char* p = hex; *p; ++p)
            if (*p != ' ') digits += *p;
        for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
            m_bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
        return *this;
    }
    Bytes& U8(uint8_t value) {
        m_bytes.push_back(value);
        return *this;
    }
    Bytes& I32(int32_t value) {
        const uint32_t v = static_cast<uint32_t>(value);
        for (int i = 0; i < 4; ++i) m_bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    Bytes& I64(int64_t value) {
        const uint64_t v = static_cast<uint64_t>(value);
        for (int i = 0; i < 8; ++i) m_bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    Bytes& F32(float value) {
        uint32_t v = 0;
        std::memcpy(&v, &value, 4);
        return I32(static_cast<int32_t>(v));
    }
    // Plain-string form: the byte count, the bytes, no terminator.
    Bytes& Str(const std::string& text) {
        I32(static_cast<int32_t>(text.size()));
        m_bytes.insert(m_bytes.end(), text.begin(), text.end());
        return *this;
    }
    // Interned-string form: the count with the NUL, the bytes and the NUL; 0
    // alone for the empty string.
    Bytes& PStr(const std::string& text) {
        if (text.empty()) return I32(0);
        I32(static_cast<int32_t>(text.size() + 1));
        m_bytes.insert(m_bytes.end(), text.begin(), text.end());
        m_bytes.push_back(0);
        return *this;
    }
    Bytes& Add(const Bytes& other) {
        m_bytes.insert(m_bytes.end(), other.m_bytes.begin(), other.m_bytes.end());
        return *this;
    }

    const std::vector<uint8_t>& Vec() const { return m_bytes; }
    operator const std::vector<uint8_t>&() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

inline std::string HexText(const std::vector<uint8_t>& bytes) {
    std::string text;
    char piece[4];
    for (uint8_t b : bytes) {
        std::snprintf(piece, sizeof piece, "%02x ", b);
        text += piece;
    }
    return text;
}

struct Frame {
    int32_t op = 0;
    int32_t id = 0;
    std::vector<uint8_t> payload;
};

// The daemon's side of one link, for handlers.
class FrameLink {
public:
    explicit FrameLink(int fd) : m_fd(fd) {}
    bool Send(const std::vector<uint8_t>& bytes) { return SendBytes(m_fd, bytes); }
    bool Reply(int32_t id, const std::vector<uint8_t>& body) {
        return Send(Bytes().Hex("6c 70 65 72").I32(id).I32(static_cast<int32_t>(body.size()))) &&
               (body.empty() || Send(body));
    }
    bool Notice(int32_t type, const std::vector<uint8_t>& payload) {
        return Send(Bytes().Hex("65 74 6f 6e").I32(type).I32(static_cast<int32_t>(payload.size()))) &&
               (payload.empty() || Send(payload));
    }
    // Ends both directions; the client sees the link close.
    void Close() { ::shutdown(m_fd, SHUT_RDWR); }
    int Fd() const { return m_fd; }

private:
    int m_fd;
};

class FrameDaemon {
public:
    // Returns false to end the link.
    using Handler = std::function<bool(const Frame&, FrameLink&)>;

    // Every request gets an empty reply; one-way frames get none.
    static bool ReplyEmpty(const Frame& frame, FrameLink& link) { return frame.id == 0 || link.Reply(frame.id, {}); }

    explicit FrameDaemon(Handler handler = ReplyEmpty)
        : m_handler(std::move(handler)), m_fake([this](int fd, int) { Serve(fd); }) {}
    ~FrameDaemon() { Stop(); }

    void Stop() { m_fake.Stop(); }
    int Connections() const { return m_fake.Connections(); }

    std::vector<Frame> Frames() {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_frames;
    }
    std::vector<Frame> FramesOf(int32_t op) {
        std::vector<Frame> found;
        for (const Frame& frame : Frames())
            if (frame.op == op) found.push_back(frame);
        return found;
    }
    // Waits until `count` frames of the operation have come.
    bool WaitForFrames(int32_t op, std::size_t count, int ms = 10000) {
        return WaitUntil([&] { return FramesOf(op).size() >= count; }, ms);
    }
    void ClearFrames() {
        std::lock_guard<std::mutex> hold(m_lock);
        m_frames.clear();
    }
    // Goodbye words seen (the word 1 alone before a close).
    int Goodbyes() const { return m_goodbyes; }

private:
    void Serve(int fd) {
        const int noDelay = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
        std::vector<uint8_t> hello;
        if (!ReadHello(fd, hello) || !AnswerHello(fd)) return;
        FrameLink link(fd);
        for (;;) {
            uint8_t head[8];
            if (!RecvAll(fd, head, 4)) return;
            if (!RecvAll(fd, head + 4, 8 - 4)) {
                if (Word(head) == 1) ++m_goodbyes;
                return;
            }
            Frame frame;
            frame.op = Word(head);
            frame.id = Word(head + 4);
            uint8_t lengthBytes[4];
            if (!RecvAll(fd, lengthBytes, 4)) return;
            const int32_t length = Word(lengthBytes);
            if (length < 0) return;
            frame.payload.resize(static_cast<std::size_t>(length));
            if (length > 0 && !RecvAll(fd, frame.payload.data(), frame.payload.size())) return;
            {
                std::lock_guard<std::mutex> hold(m_lock);
                m_frames.push_back(frame);
            }
            if (!m_handler(frame, link)) return;
        }
    }
    static int32_t Word(const uint8_t* b) {
        return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                                    static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
    }

    Handler m_handler;
    std::mutex m_lock;
    std::vector<Frame> m_frames;
    std::atomic<int> m_goodbyes{0};
    FakeDaemon m_fake;
};

}  // namespace VorlexTest
