#include "foundation/network/SSLTransport.h"

#include <unistd.h>

#include "foundation/network/TlsLibrary.h"

SSLTransport::SSLTransport(int socket, SSL* connection) : m_socket(socket), m_connection(connection) {}

SSLTransport::~SSLTransport() {
    if (m_connection) {
        // A connection exists only once the TLS library is loaded.
        const TlsLibrary* tls = GetTlsLibrary();
        tls->SSL_shutdown(m_connection);
        tls->SSL_free(m_connection);
        m_connection = nullptr;
    }
    if (m_socket >= 0) {
        ::close(m_socket);
        m_socket = -1;
    }
}

int32_t SSLTransport::Read(char* buffer, int32_t size) {
    if (!m_connection) return -1;
    return GetTlsLibrary()->SSL_read(m_connection, buffer, size);
}

int32_t SSLTransport::Peek(char* buffer, int32_t size) {
    if (!m_connection) return -1;
    return GetTlsLibrary()->SSL_peek(m_connection, buffer, size);
}

int32_t SSLTransport::Write(const char* data, int32_t length) {
    if (!m_connection) return -1;
    return GetTlsLibrary()->SSL_write(m_connection, data, length);
}

int32_t SSLTransport::Close() {
    m_error = kErrorClosed;
    int rc = -1;
    if (m_socket >= 0) {
        rc = ::close(m_socket);
        m_socket = -1;
    }
    return rc;
}

NetTransport* SSLTransport::Clone(uint16_t) { return nullptr; }
