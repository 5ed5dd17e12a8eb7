#include "online/DatagramPeer.h"

#include <sys/socket.h>

#include <cerrno>

#include "online/DatagramSocket.h"

DatagramPeer::DatagramPeer() { m_address.sin_family = AF_INET; }

void DatagramPeer::SetCallback(ReceiveCallback callback, void* userData) {
    m_callback = callback;
    m_userData = userData;
}

void DatagramPeer::Clear() {
    m_callback = nullptr;
    m_userData = nullptr;
    m_socket = nullptr;
}

bool DatagramPeer::Send(const uint8_t* bytes, int length) {
    if (!m_socket || length < 0) return false;
    if (m_address.sin_addr.s_addr == htonl(INADDR_ANY)) return false;
    ssize_t sent;
    do {
        sent = ::sendto(m_socket->Handle(), bytes, static_cast<std::size_t>(length), MSG_NOSIGNAL,
                        reinterpret_cast<const sockaddr*>(&m_address), sizeof m_address);
    } while (sent < 0 && errno == EINTR);
    return sent == length;
}

void DatagramPeer::Deliver(const uint8_t* bytes, int length) {
    if (m_callback) m_callback(m_userData, bytes, length);
}
