#pragma once
// TCPTransport: a plain TCP connection, connected by the constructor. The
// caller inspects GetError and GetSocket afterwards: a host that does not
// resolve, a socket that cannot be made or a refused connection leave
// socket -1 and error 2.
//
// One thread may receive while others send (the daemon link's reader and
// its requesters), so the error and the socket are atomic. Sends never
// raise SIGPIPE: a dead peer is an error.
#include <atomic>
#include <cstdint>

#include "foundation/network/NetTransport.h"

class TCPTransport : public NetTransport {
public:
    static constexpr int32_t kHostSize = 512;

    // Connects to `host` (cut to 511 characters; null or empty: no host,
    // which does not resolve) on `port`.
    TCPTransport(const char* host, uint16_t port);
    // Adopts a socket that is already connected (a server's accepted
    // connection); -1 gives error 2.
    explicit TCPTransport(int socket);
    ~TCPTransport() override;

    int32_t Read(char* buffer, int32_t size) override;
    int32_t Peek(char* buffer, int32_t size) override;
    int32_t Write(const char* data, int32_t length) override;
    // Error 5, the socket closed, socket -1.
    int32_t Close() override;
    TCPTransport* Clone(uint16_t port) override;
    bool HasData() override;

    // Ends both directions of the connection without closing the socket,
    // so that a thread blocked in a receive returns at once; the socket is
    // closed later by Close or the destructor.
    void Shutdown();

    int32_t GetError() const { return m_error.load(); }
    // Stores `code` only while no error is recorded.
    void SetError(int32_t code) {
        int32_t none = kErrorNone;
        m_error.compare_exchange_strong(none, code);
    }
    int GetSocket() const { return m_socket.load(); }
    const char* GetHost() const { return m_host; }
    uint16_t GetPort() const { return m_port; }

private:
    std::atomic<int32_t> m_error{kErrorNone};
    std::atomic<int> m_socket{-1};
    char m_host[kHostSize];
    uint16_t m_port = 0;
};

// Sends with MSG_NOSIGNAL, retrying on EINTR; the result of send.
long SendNoSignal(int socket, const void* data, std::size_t length);
// Receives, retrying on EINTR; the result of recv.
long ReceiveRetrying(int socket, void* buffer, std::size_t length, int flags);
