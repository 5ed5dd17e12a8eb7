#pragma once
// SSLTransport: a TLS connection over a socket. The transport owns both the
// socket and the TLS connection. Nothing in the program makes one today;
// it is kept so that a TLS peer can be added without new plumbing.
#include <openssl/ssl.h>

#include <cstdint>

#include "foundation/network/NetTransport.h"

class SSLTransport : public NetTransport {
public:
    // Takes ownership of `socket` (-1: none) and `connection` (may be null).
    SSLTransport(int socket, SSL* connection);
    // SSL_shutdown and SSL_free on the connection, then the socket closed.
    ~SSLTransport() override;

    // SSL_read, SSL_peek and SSL_write; -1 without a connection.
    int32_t Read(char* buffer, int32_t size) override;
    int32_t Peek(char* buffer, int32_t size) override;
    int32_t Write(const char* data, int32_t length) override;
    // Error 5 and the socket closed; the TLS connection stays until
    // destruction.
    int32_t Close() override;
    // Always null: a TLS connection cannot be cloned without a handshake.
    NetTransport* Clone(uint16_t port) override;

    int32_t GetError() const { return m_error; }
    int GetSocket() const { return m_socket; }
    SSL* GetConnection() const { return m_connection; }

private:
    int32_t m_error = kErrorNone;
    int m_socket = -1;
    SSL* m_connection = nullptr;
};
