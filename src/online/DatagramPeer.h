#pragma once
// DatagramPeer: one remote end of a DatagramSocket, an IPv4 address and
// port with the callback that receives the datagrams coming from it.
//
// A peer is registered with at most one socket at a time, and its socket
// pointer names that socket. The socket does not own its peers.
#include <netinet/in.h>

#include <cstdint>

class DatagramSocket;

class DatagramPeer {
public:
    using ReceiveCallback = void (*)(void* userData, const uint8_t* bytes, int length);

    DatagramPeer();
    virtual ~DatagramPeer() = default;
    DatagramPeer(const DatagramPeer&) = delete;
    DatagramPeer& operator=(const DatagramPeer&) = delete;

    void SetCallback(ReceiveCallback callback, void* userData);
    // Clears the callback, its user data and the socket pointer.
    void Clear();

    // One datagram to the peer's address. False without a socket, when the
    // address is unset (0.0.0.0: a failed lookup, which on Linux would reach
    // this host), or when fewer than `length` bytes went out.
    // Virtual so that a link held in memory (tests, simulations) can stand
    // in for the socket.
    virtual bool Send(const uint8_t* bytes, int length);
    // Hands a received datagram to the callback, when one is set.
    void Deliver(const uint8_t* bytes, int length);

    const sockaddr_in& Address() const { return m_address; }
    sockaddr_in& Address() { return m_address; }
    DatagramSocket* Socket() const { return m_socket; }

private:
    friend class DatagramSocket;

    sockaddr_in m_address{};
    ReceiveCallback m_callback = nullptr;
    void* m_userData = nullptr;
    DatagramSocket* m_socket = nullptr;
};
