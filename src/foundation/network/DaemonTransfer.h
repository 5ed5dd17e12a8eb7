#pragma once
// Exact-length transfers over the daemon link's transport, in chunks of at
// most 32768 bytes. The daemon client registers the one transport of its
// link here; the requesters write every frame through these calls, and the
// reader thread reads the link through a buffer of its own, one receive of
// whatever has arrived at a time.
#include <cstdint>

class TCPTransport;

constexpr int32_t kDaemonTransferChunk = 32768;

// The link's transport, or null. The daemon client sets it under its
// connection lock and clears it before it deletes the transport.
void SetDaemonTransport(TCPTransport* transport);
TCPTransport* GetDaemonTransport();

// Move exactly `length` bytes over the daemon transport; false at once when
// there is none. See SendOnTransport / ReceiveOnTransport.
bool SendToDaemon(const void* data, int32_t length);
bool ReceiveFromDaemon(void* buffer, int32_t length);

// The same over any transport. While bytes remain: false when the
// transport's error is set or it has no socket; one send or receive of
// min(remaining, 32768) bytes; a send below 0 or a receive of 0 or less
// records error 7 (unless an error is already recorded) and answers false.
// A length of 0 (or less) answers true at once.
bool SendOnTransport(TCPTransport& transport, const void* data, int32_t length);
bool ReceiveOnTransport(TCPTransport& transport, void* buffer, int32_t length);
// One receive of whatever the link holds, at most `capacity` bytes: the
// number received, or 0 when the transport's error is set, it has no socket
// or the receive fails (which records error 7 unless an error is recorded
// already).
int32_t ReceiveSomeOnTransport(TCPTransport& transport, void* buffer, int32_t capacity);
// ReceiveOnTransport that waits at most `timeoutMs` in all for the bytes.
// When the time runs out first, `timedOut` is set and the answer is false;
// no error is recorded then (the bytes received so far are lost to the
// caller, which gives the link up).
bool ReceiveOnTransportWithin(TCPTransport& transport, void* buffer, int32_t length, uint32_t timeoutMs,
                              bool& timedOut);
