#include "foundation/network/TCPTransport.h"

#include <errno.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "foundation/network/HostResolver.h"

long SendNoSignal(int socket, const void* data, std::size_t length) {
    long n;
    do {
        n = ::send(socket, data, length, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n;
}

long ReceiveRetrying(int socket, void* buffer, std::size_t length, int flags) {
    long n;
    do {
        n = ::recv(socket, buffer, length, flags);
    } while (n < 0 && errno == EINTR);
    return n;
}

TCPTransport::TCPTransport(const char* host, uint16_t port) : m_port(port) {
    m_host[0] = '\0';
    if (host) {
        std::size_t n = std::strlen(host);
        if (n > kHostSize - 1) n = kHostSize - 1;
        std::memcpy(m_host, host, n);
        m_host[n] = '\0';
    }

    int fd = -1;
    sockaddr_in address{};
    if (m_host[0] && ResolveHostAddress(m_host, port, address)) {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
        if (fd >= 0) {
            int rc;
            do {
                rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
            } while (rc != 0 && errno == EINTR);
            if (rc != 0) {
                ::close(fd);
                fd = -1;
            }
        }
    }
    m_socket = fd;
    if (fd < 0) m_error = kErrorNoSocket;
}

TCPTransport::TCPTransport(int socket) {
    m_host[0] = '\0';
    m_socket = socket;
    if (socket < 0) m_error = kErrorNoSocket;
}

TCPTransport::~TCPTransport() {
    int fd = m_socket.exchange(-1);
    if (fd >= 0) ::close(fd);
}

int32_t TCPTransport::Read(char* buffer, int32_t size) {
    int fd = m_socket.load();
    long n = size < 0 ? -1 : ReceiveRetrying(fd, buffer, static_cast<std::size_t>(size), 0);
    if (n < 0) SetError(kErrorTransfer);
    return static_cast<int32_t>(n);
}

int32_t TCPTransport::Peek(char* buffer, int32_t size) {
    if (size < 0) return -1;
    return static_cast<int32_t>(ReceiveRetrying(m_socket.load(), buffer, static_cast<std::size_t>(size), MSG_PEEK));
}

int32_t TCPTransport::Write(const char* data, int32_t length) {
    if (length < 0) return -1;
    return static_cast<int32_t>(SendNoSignal(m_socket.load(), data, static_cast<std::size_t>(length)));
}

int32_t TCPTransport::Close() {
    m_error = kErrorClosed;
    int fd = m_socket.exchange(-1);
    return fd >= 0 ? ::close(fd) : -1;
}

TCPTransport* TCPTransport::Clone(uint16_t port) { return new TCPTransport(m_host, port); }

bool TCPTransport::HasData() {
    int waiting = 0;
    if (::ioctl(m_socket.load(), FIONREAD, &waiting) != 0) return false;
    return waiting != 0;
}

void TCPTransport::Shutdown() {
    int fd = m_socket.load();
    if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
}
