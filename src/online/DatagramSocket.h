#pragma once
// DatagramSocket: one non-blocking UDP socket bound to an ephemeral local
// port, with the peers registered on it. Polling receives datagrams and
// hands each to the peer whose IPv4 address and port it came from; the
// others are read and dropped. Single-threaded: the thread that drives the
// online endpoint owns the socket and its peers.
#include <cstdint>
#include <string>
#include <vector>

class DatagramPeer;

class DatagramSocket {
public:
    // The largest datagram received whole.
    static constexpr int kMaxDatagram = 100000;
    // Datagrams taken by one Poll.
    static constexpr int kMaxPollCount = 32;
    // Receive and send buffer sizes asked of the system.
    static constexpr int kBufferBytes = 0x40000;

    DatagramSocket() = default;
    ~DatagramSocket();
    DatagramSocket(const DatagramSocket&) = delete;
    DatagramSocket& operator=(const DatagramSocket&) = delete;

    // Creates, configures and binds the socket. A socket still open is
    // closed first (the peer list stays). On failure the handle is -1.
    void Open();
    // Closes the handle when open, then empties the peer list (the peers
    // themselves are not touched).
    void Close();
    // Receives at most one datagram and dispatches it; true when one was
    // received, whoever took it.
    bool PollOnce();
    // PollOnce until it finds nothing, at most kMaxPollCount times.
    void Poll();

    void Register(DatagramPeer* peer);
    // Removes the peer from the socket its pointer names (keeping the order
    // of the others) and clears the pointer; nothing for an unregistered
    // peer.
    static void Unregister(DatagramPeer* peer);
    // Moves the peer to this socket with the address of `host`:`port`. A host
    // that does not resolve leaves the address zeroed, so that sends to it
    // are refused; the peer is registered all the same.
    void AttachPeer(DatagramPeer* peer, const char* host, int port);

    int Handle() const { return m_handle; }
    bool IsOpen() const { return m_handle >= 0; }
    // The bound local port (host order), 0 when closed.
    uint16_t LocalPort() const;
    const std::vector<DatagramPeer*>& Peers() const { return m_peers; }
    // Datagrams read that no peer took.
    uint64_t DroppedCount() const { return m_dropped; }

private:
    void CloseHandle();

    std::vector<DatagramPeer*> m_peers;
    int m_handle = -1;
    std::vector<uint8_t> m_buffer;
    uint64_t m_dropped = 0;
};
