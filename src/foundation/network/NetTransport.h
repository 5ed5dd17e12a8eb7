#pragma once
// NetTransport: a byte transport over a connected socket. The daemon link
// uses the TCP kind; the TLS kind is provided for completeness.
#include <cstdint>

class NetTransport {
public:
    // Sticky error codes of the transports.
    enum Error : int32_t {
        kErrorNone = 0,
        kErrorNoSocket = 2,  // no socket could be made or connected
        kErrorClosed = 5,    // closed by Close
        kErrorTransfer = 7,  // a receive or send failed
    };

    NetTransport() = default;
    virtual ~NetTransport() = default;
    NetTransport(const NetTransport&) = delete;
    NetTransport& operator=(const NetTransport&) = delete;

    // Bytes read, negative on error.
    virtual int32_t Read(char* buffer, int32_t size) = 0;
    // Bytes available without consuming them.
    virtual int32_t Peek(char* buffer, int32_t size) = 0;
    // Bytes written, negative on error.
    virtual int32_t Write(const char* data, int32_t length) = 0;
    // The result of the socket close.
    virtual int32_t Close() = 0;
    // A new transport of the same kind to the same host on `port`, or null.
    virtual NetTransport* Clone(uint16_t port) = 0;
    // Whether data is waiting; the base answers true.
    virtual bool HasData() { return true; }
};
