#pragma once
// The daemon link's reader thread: the only reader of the socket apart from
// a requester reading its reply body. It runs from a successful hello to the
// end of the link.
#include <cstdint>

// Loops: stops when asked; waits for the reader gate; ends when there is no
// transport; reads a frame tag. 'note': the notice is read whole. 'repl':
// the transaction id is read with the gate closed, then the reply. Any
// other tag, or a failed receive, shuts the transport down and ends. The
// end clears the connected flag and opens the gate.
uint32_t VADReceiveThread(void* argument);

// Reads the rest of a notice frame (type, length, payload); false when the
// frame does not arrive whole (the reader then ends the link).
bool ReadVADNotification();

// The largest payload or body a frame may announce; a larger one, or a
// negative one, ends the link.
constexpr int32_t kMaxVADFrameBytes = 0x40000000;
