#pragma once
// A bare client of the daemon link for tests: it writes frames byte by byte
// as the link's tables lay them out and reads the daemon's replies and
// notices, without any of the program's own link code. Bytes are written
// here by hand (little-endian words, the two string forms, the KUID's
// stream form), so a misreading in the daemon's shared code shows up.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace VorlexTest {

using Bytes = std::vector<uint8_t>;

// "6400 0000 ab" -> the bytes; blanks are skipped.
inline Bytes Hex(const std::string& text) {
    Bytes bytes;
    int high = -1;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            continue;
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<uint8_t>(high << 4 | digit));
            high = -1;
        }
    }
    return bytes;
}

inline std::string ToHex(const Bytes& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

// Payload pieces, written out by hand.
inline Bytes Le32(int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}
inline Bytes Le64(int64_t value) {
    Bytes low = Le32(static_cast<int32_t>(static_cast<uint64_t>(value) & 0xFFFFFFFFu));
    Bytes high = Le32(static_cast<int32_t>(static_cast<uint64_t>(value) >> 32));
    low.insert(low.end(), high.begin(), high.end());
    return low;
}
// Plain-string form: byte count, bytes.
inline Bytes Text(const std::string& text) {
    Bytes bytes = Le32(static_cast<int32_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
}
// Interned-string form: byte count with the NUL, bytes, NUL; 0 when empty.
inline Bytes Interned(const std::string& text) {
    if (text.empty()) return Le32(0);
    Bytes bytes = Le32(static_cast<int32_t>(text.size() + 1));
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}
// Stream form of a KUID: content id, then (version << 25) | (user & 0x1FFFFFF).
inline Bytes Kuid(int32_t user, int32_t content, int32_t version = 0) {
    Bytes bytes = Le32(content);
    Bytes packed = Le32(static_cast<int32_t>(static_cast<uint32_t>(version) << 25 |
                                             (static_cast<uint32_t>(user) & 0x1FFFFFFu)));
    bytes.insert(bytes.end(), packed.begin(), packed.end());
    return bytes;
}
inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Reading a body back, field by field; a short body fails the test's
// expectations through `ok`.
class BodyReader {
public:
    explicit BodyReader(const Bytes& bytes) : m_bytes(bytes) {}
    bool ok = true;
    std::size_t Left() const { return m_bytes.size() - m_at; }
    Bytes Take(std::size_t n) {
        if (Left() < n) {
            ok = false;
            m_at = m_bytes.size();
            return Bytes();
        }
        Bytes part(m_bytes.begin() + static_cast<std::ptrdiff_t>(m_at),
                   m_bytes.begin() + static_cast<std::ptrdiff_t>(m_at + n));
        m_at += n;
        return part;
    }
    int32_t Word() {
        Bytes b = Take(4);
        return b.size() == 4 ? static_cast<int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24)
                             : 0;
    }
    int64_t Long() {
        const uint32_t low = static_cast<uint32_t>(Word());
        const uint32_t high = static_cast<uint32_t>(Word());
        return static_cast<int64_t>(static_cast<uint64_t>(high) << 32 | low);
    }
    uint8_t Byte() {
        Bytes b = Take(1);
        return b.empty() ? 0 : b[0];
    }
    std::string Text() {
        const int32_t n = Word();
        Bytes b = Take(n > 0 ? static_cast<std::size_t>(n) : 0);
        return std::string(b.begin(), b.end());
    }
    std::string Interned() {
        const int32_t n = Word();
        if (n <= 0) return std::string();
        Bytes b = Take(static_cast<std::size_t>(n));
        if (b.empty() || b.back() != 0) ok = false;
        return std::string(b.begin(), b.end() - (b.empty() ? 0 : 1));
    }

private:
    const Bytes& m_bytes;
    std::size_t m_at = 0;
};

class RawLink {
public:
    struct Frame {
        bool notice = false;
        int32_t word = 0;  // transaction id of a reply, type of a notice
        Bytes body;
    };

    ~RawLink() { Close(); }

    bool Connect(int port) {
        Close();
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        return m_fd >= 0 && ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    void Close() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }

    bool Send(const Bytes& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return false;
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }
    // Exactly n bytes within the time left; false on time-out or close.
    bool Receive(Bytes& bytes, std::size_t n, int timeoutMs = 10000) {
        bytes.assign(n, 0);
        std::size_t got = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got < n) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            pollfd p{m_fd, POLLIN, 0};
            if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) return false;
            ssize_t r = ::recv(m_fd, bytes.data() + got, n - got, 0);
            if (r <= 0) return false;
            got += static_cast<std::size_t>(r);
        }
        return true;
    }

    // What one read takes once bytes are there: a single write of the
    // daemon arrives whole on the loopback, so this shows how the daemon
    // wrote an answer. Empty on time-out or close.
    Bytes ReceiveOneRead(int timeoutMs = 10000) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) return Bytes();
        Bytes bytes(1 << 16);
        const ssize_t r = ::recv(m_fd, bytes.data(), bytes.size(), 0);
        bytes.resize(r > 0 ? static_cast<std::size_t>(r) : 0);
        return bytes;
    }

    // The hello written out by hand: 'VADC' (bytes C D A V), version 350,
    // build 47059, client kind 1, the path's length and bytes. True when the
    // daemon answers 'VADD' and two words.
    bool Hello(const std::string& path) {
        if (!Send(Hex("43444156 5e010000 d3b70000 01000000") + Le32(static_cast<int32_t>(path.size())) +
                  Bytes(path.begin(), path.end())))
            return false;
        Bytes answer;
        return Receive(answer, 12) && Bytes(answer.begin(), answer.begin() + 4) == Hex("44444156");
    }

    bool SendFrame(int32_t op, int32_t id, const Bytes& payload) {
        return Send(Le32(op) + Le32(id) + Le32(static_cast<int32_t>(payload.size())) + payload);
    }

    // The next frame from the daemon: 'repl' (bytes l p e r) or 'note'
    // (bytes e t o n), a word, a length and the body.
    bool Next(Frame& frame, int timeoutMs = 10000) {
        Bytes head;
        if (!Receive(head, 12, timeoutMs)) return false;
        const Bytes tag(head.begin(), head.begin() + 4);
        if (tag == Hex("6c706572"))
            frame.notice = false;
        else if (tag == Hex("65746f6e"))
            frame.notice = true;
        else
            return false;
        BodyReader words(head);
        words.Take(4);
        frame.word = words.Word();
        const int32_t length = words.Word();
        return length >= 0 && Receive(frame.body, static_cast<std::size_t>(length), timeoutMs);
    }

    // Reads until the reply of `id`; notices on the way are kept.
    bool Await(int32_t id, Bytes& body, int timeoutMs = 10000) {
        Frame frame;
        while (Next(frame, timeoutMs)) {
            if (frame.notice) {
                notices.push_back(frame);
                continue;
            }
            if (frame.word == id) {
                body = frame.body;
                return true;
            }
            replies.push_back(frame);
        }
        return false;
    }

    // A request with a fresh transaction id; its reply body (empty on
    // failure, with `ok` cleared).
    Bytes Request(int32_t op, const Bytes& payload, bool* ok = nullptr) {
        const int32_t id = m_nextId++;
        Bytes body;
        const bool done = SendFrame(op, id, payload) && Await(id, body);
        if (ok) *ok = done;
        lastId = id;
        return body;
    }

    std::vector<Frame> notices;
    std::vector<Frame> replies;
    int32_t lastId = 0;

private:
    int m_fd = -1;
    int32_t m_nextId = 100;
};

}  // namespace VorlexTest
