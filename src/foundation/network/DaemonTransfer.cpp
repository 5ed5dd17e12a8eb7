#include "foundation/network/DaemonTransfer.h"

#include <poll.h>

#include <atomic>
#include <cerrno>
#include <chrono>

#include "foundation/network/TCPTransport.h"

namespace {

std::atomic<TCPTransport*> g_daemonTransport{nullptr};

}  // namespace

void SetDaemonTransport(TCPTransport* transport) { g_daemonTransport = transport; }

TCPTransport* GetDaemonTransport() { return g_daemonTransport.load(); }

bool SendOnTransport(TCPTransport& transport, const void* data, int32_t length) {
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        if (transport.GetError() != NetTransport::kErrorNone) return false;
        int fd = transport.GetSocket();
        if (fd == -1) return false;
        int32_t chunk = length < kDaemonTransferChunk ? length : kDaemonTransferChunk;
        long n = SendNoSignal(fd, p, static_cast<std::size_t>(chunk));
        if (n < 0) {
            transport.SetError(NetTransport::kErrorTransfer);
            return false;
        }
        p += n;
        length -= static_cast<int32_t>(n);
    }
    return true;
}

int32_t ReceiveSomeOnTransport(TCPTransport& transport, void* buffer, int32_t capacity) {
    if (capacity <= 0 || transport.GetError() != NetTransport::kErrorNone) return 0;
    const int fd = transport.GetSocket();
    if (fd == -1) return 0;
    const long n = ReceiveRetrying(fd, buffer, static_cast<std::size_t>(capacity), 0);
    if (n <= 0) {
        transport.SetError(NetTransport::kErrorTransfer);
        return 0;
    }
    return static_cast<int32_t>(n);
}

namespace {

using Clock = std::chrono::steady_clock;

// Waits until the socket has bytes to read or `deadline` passes: 1 ready, 0
// the deadline passed, -1 a failed wait (error 7 recorded).
int WaitReadable(TCPTransport& transport, int fd, Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return 0;
        pollfd ready{fd, POLLIN, 0};
        const int polled = ::poll(&ready, 1, static_cast<int>(left));
        if (polled > 0) return 1;
        if (polled < 0 && errno != EINTR) {
            transport.SetError(NetTransport::kErrorTransfer);
            return -1;
        }
    }
}

// Exactly `length` bytes; with a deadline, `timedOut` tells that it passed.
bool ReceiveExactly(TCPTransport& transport, void* buffer, int32_t length, const Clock::time_point* deadline,
                    bool& timedOut) {
    timedOut = false;
    char* p = static_cast<char*>(buffer);
    while (length > 0) {
        if (deadline) {
            if (transport.GetError() != NetTransport::kErrorNone) return false;
            const int fd = transport.GetSocket();
            if (fd == -1) return false;
            const int ready = WaitReadable(transport, fd, *deadline);
            timedOut = ready == 0;
            if (ready <= 0) return false;
        }
        const int32_t chunk = length < kDaemonTransferChunk ? length : kDaemonTransferChunk;
        const int32_t n = ReceiveSomeOnTransport(transport, p, chunk);
        if (n <= 0) return false;
        p += n;
        length -= n;
    }
    return true;
}

}  // namespace

bool ReceiveOnTransport(TCPTransport& transport, void* buffer, int32_t length) {
    bool timedOut = false;
    return ReceiveExactly(transport, buffer, length, nullptr, timedOut);
}

bool ReceiveOnTransportWithin(TCPTransport& transport, void* buffer, int32_t length, uint32_t timeoutMs,
                              bool& timedOut) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    return ReceiveExactly(transport, buffer, length, &deadline, timedOut);
}

bool SendToDaemon(const void* data, int32_t length) {
    TCPTransport* transport = GetDaemonTransport();
    return transport && SendOnTransport(*transport, data, length);
}

bool ReceiveFromDaemon(void* buffer, int32_t length) {
    TCPTransport* transport = GetDaemonTransport();
    return transport && ReceiveOnTransport(*transport, buffer, length);
}
