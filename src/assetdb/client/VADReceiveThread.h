#pragma once
// The daemon link's reader thread: the only reader of the socket once the
// hello is answered. It reads the link through a buffer (VADFrameReading.h)
// and takes whole frames apart, replies included, so a requester is woken
// once, with its reply's body, and never reads the socket itself. It runs
// from a successful hello to the end of the link.
//
// Frames from the daemon (integers little-endian; tags as in VADLinkTags.h):
//   reply:  'repl', int32 transaction id, int32 body length R, R bytes
//   notice: 'note', int32 notice type, int32 payload length L, L bytes
#include <cstdint>

// Loops: stops when asked; waits for the reader gate (closed until the link
// stands); ends when there is no transport; reads a frame tag.
//  - 'note': the notice is read whole and handed on (VADNotifications.h).
//  - 'repl': the reply is read whole; a registered transaction gets its
//    body and is signalled; a reply nobody waits for is dropped.
//  - Any other tag, a refused length, or a failed receive: the transport is
//    shut down.
// The end clears the connected flag, opens the gate and aborts every
// waiting transaction.
uint32_t VADReceiveThread(void* argument);

// The largest payload or body a frame may announce; a larger one, or a
// negative one, is a protocol error that ends the link.
constexpr int32_t kMaxVADFrameBytes = 0x40000000;
