#include "vaddaemon/LinkSocket.h"

#include <errno.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "vaddaemon/LinkWords.h"

namespace {

constexpr int32_t kPieceBytes = 65536;
// The largest payload a frame may announce.
constexpr int32_t kMaxPayloadBytes = 0x40000000;
// Room for outgoing bytes past this is given back after the write.
constexpr std::size_t kMaxKeptSendBytes = 65536;

}  // namespace

LinkSocket::~LinkSocket() {
    if (m_fd >= 0) ::close(m_fd);
}

void LinkSocket::Shutdown() { ::shutdown(m_fd, SHUT_RDWR); }

bool LinkSocket::Receive(void* buffer, std::size_t size) {
    char* p = static_cast<char*>(buffer);
    while (size > 0) {
        if (m_readFrom < m_readTo) {
            const std::size_t n = std::min(size, m_readTo - m_readFrom);
            std::memcpy(p, m_readAhead.data() + m_readFrom, n);
            m_readFrom += n;
            p += n;
            size -= n;
            continue;
        }
        // A large piece goes straight into its place; small reads refill
        // the buffer.
        const bool direct = size >= m_readAhead.size();
        ssize_t n = direct ? ::recv(m_fd, p, size, 0) : ::recv(m_fd, m_readAhead.data(), m_readAhead.size(), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        if (direct) {
            p += n;
            size -= static_cast<std::size_t>(n);
        } else {
            m_readFrom = 0;
            m_readTo = static_cast<std::size_t>(n);
        }
    }
    return true;
}

bool LinkSocket::ReceiveWord(int32_t& value) {
    uint8_t b[4];
    if (!Receive(b, 4)) return false;
    value = static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                                 static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
    return true;
}

bool LinkSocket::ReceivePayload(int32_t length, std::vector<uint8_t>& payload) {
    payload.clear();
    if (length < 0 || length > kMaxPayloadBytes) return false;
    try {
        while (length > 0) {
            int32_t piece = length < kPieceBytes ? length : kPieceBytes;
            std::size_t at = payload.size();
            payload.resize(at + static_cast<std::size_t>(piece));
            if (!Receive(payload.data() + at, static_cast<std::size_t>(piece))) return false;
            length -= piece;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool LinkSocket::WaitReadable(uint32_t timeoutMs) {
    if (m_readFrom < m_readTo) return true;
    pollfd p{m_fd, POLLIN, 0};
    int rc;
    do {
        rc = ::poll(&p, 1, static_cast<int>(timeoutMs));
    } while (rc < 0 && errno == EINTR);
    return rc > 0;
}

bool LinkSocket::Send(const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::send(m_fd, p, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool LinkSocket::SendWord(int32_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                    static_cast<uint8_t>(v >> 24)};
    return Send(b, 4);
}

bool LinkSocket::SendFrames(const std::vector<LinkFrame>& frames) {
    std::size_t total = 0;
    for (const LinkFrame& frame : frames) {
        if (frame.body.size() > static_cast<std::size_t>(kMaxPayloadBytes)) return false;
        total += 12 + frame.body.size();
    }
    if (total == 0) return true;
    std::lock_guard<std::mutex> hold(m_sendLock);
    std::vector<uint8_t>& bytes = m_sendBytes;
    bytes.clear();
    bytes.reserve(total);
    for (const LinkFrame& frame : frames) {
        for (uint32_t value : {frame.tag, static_cast<uint32_t>(frame.word), static_cast<uint32_t>(frame.body.size())})
            for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
        bytes.insert(bytes.end(), frame.body.begin(), frame.body.end());
    }
    const bool sent = Send(bytes.data(), bytes.size());
    if (bytes.capacity() > kMaxKeptSendBytes) bytes = std::vector<uint8_t>();
    return sent;
}

bool LinkSocket::SendReply(int32_t transactionId, const std::vector<uint8_t>& body) {
    return SendFrames({LinkFrame{LinkWord::kReply, transactionId, body}});
}

bool LinkSocket::SendNotice(int32_t type, const std::vector<uint8_t>& payload) {
    return SendFrames({LinkFrame{LinkWord::kNotice, type, payload}});
}
