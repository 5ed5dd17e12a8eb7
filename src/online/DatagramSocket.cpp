#include "online/DatagramSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "foundation/network/HostResolver.h"
#include "online/DatagramPeer.h"

DatagramSocket::~DatagramSocket() { Close(); }

void DatagramSocket::CloseHandle() {
    if (m_handle >= 0) {
        ::close(m_handle);
        m_handle = -1;
    }
}

void DatagramSocket::Open() {
    // The endpoint opens again at every connection attempt; the old socket
    // would otherwise leak.
    CloseHandle();
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd < 0) return;
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
        ::close(fd);
        return;
    }
    int size = kBufferBytes;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = 0;
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
        ::close(fd);
        return;
    }
    m_handle = fd;
}

void DatagramSocket::Close() {
    CloseHandle();
    m_peers.clear();
    m_peers.shrink_to_fit();
}

bool DatagramSocket::PollOnce() {
    if (m_handle < 0) return false;
    if (m_buffer.size() != static_cast<std::size_t>(kMaxDatagram)) m_buffer.resize(kMaxDatagram);
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    // MSG_TRUNC makes a longer datagram report its real length, so that it
    // is recognised and dropped instead of being delivered cut short.
    ssize_t got;
    do {
        got = ::recvfrom(m_handle, m_buffer.data(), m_buffer.size(), MSG_TRUNC,
                         reinterpret_cast<sockaddr*>(&from), &fromLength);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) return false;
    if (got > kMaxDatagram) return false;  // too long: read and lost
    for (DatagramPeer* peer : m_peers) {
        const sockaddr_in& address = peer->Address();
        if (address.sin_port == from.sin_port && address.sin_addr.s_addr == from.sin_addr.s_addr) {
            peer->Deliver(m_buffer.data(), static_cast<int>(got));
            return true;
        }
    }
    ++m_dropped;
    return true;
}

void DatagramSocket::Poll() {
    for (int i = 0; i < kMaxPollCount; ++i)
        if (!PollOnce()) break;
}

void DatagramSocket::Register(DatagramPeer* peer) {
    m_peers.push_back(peer);
    peer->m_socket = this;
}

void DatagramSocket::Unregister(DatagramPeer* peer) {
    DatagramSocket* socket = peer->m_socket;
    if (!socket) return;
    auto it = std::find(socket->m_peers.begin(), socket->m_peers.end(), peer);
    if (it != socket->m_peers.end()) socket->m_peers.erase(it);
    peer->m_socket = nullptr;
}

void DatagramSocket::AttachPeer(DatagramPeer* peer, const char* host, int port) {
    Unregister(peer);
    sockaddr_in address{};
    if (!ResolveHostAddress(host ? host : "", static_cast<uint16_t>(port), address)) {
        // Whatever a failed lookup left would be a wrong destination; an
        // all-zero address is refused by Send.
        address = sockaddr_in{};
        address.sin_family = AF_INET;
    }
    peer->Address() = address;
    Register(peer);
}

uint16_t DatagramSocket::LocalPort() const {
    if (m_handle < 0) return 0;
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(m_handle, reinterpret_cast<sockaddr*>(&local), &length) != 0) return 0;
    return ntohs(local.sin_port);
}
