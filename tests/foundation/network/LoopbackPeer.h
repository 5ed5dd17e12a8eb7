#pragma once
// A loopback TCP listener for transport tests: it accepts one connection
// and hands the connected socket to the test.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace VorlexTest {

class LoopbackListener {
public:
    LoopbackListener() {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_fd, 4);
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &size);
        m_port = ntohs(address.sin_port);
    }
    ~LoopbackListener() {
        if (m_fd >= 0) ::close(m_fd);
    }
    uint16_t Port() const { return m_port; }
    // The next connection (the caller closes it).
    int Accept() { return ::accept(m_fd, nullptr, nullptr); }
    void Close() {
        ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd = -1;
    uint16_t m_port = 0;
};

// Reads exactly n bytes; false when the peer closed first.
inline bool ReadAll(int fd, void* buffer, std::size_t n) {
    char* p = static_cast<char*>(buffer);
    while (n > 0) {
        ssize_t got = ::recv(fd, p, n, 0);
        if (got <= 0) return false;
        p += got;
        n -= static_cast<std::size_t>(got);
    }
    return true;
}

// A port on which nothing listens: bound, then closed.
inline uint16_t ClosedPort() {
    LoopbackListener listener;
    uint16_t port = listener.Port();
    listener.Close();
    return port;
}

}  // namespace VorlexTest
