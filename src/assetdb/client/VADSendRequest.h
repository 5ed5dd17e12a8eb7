#pragma once
// Sending frames to the daemon: requests, which wait for their reply, and
// one-way messages.
//
// Request frame: int32 operation, int32 transaction id, int32 payload
// length L, the L payload bytes. A one-way message is the same with the
// transaction id 0. All integers little-endian.
#include <cstdint>

class ResultsLog;
class TStream;
class VADPromptHandler;

// Sends the bytes of `request` from its position to its end as a request
// and waits for the reply; the reply body is written into `reply` at its
// position. True when a reply was received whole (a reply of length 0
// leaves `reply` untouched). The reader thread takes the whole reply off
// the link and wakes the request once. `handler` answers the daemon's questions for
// the request; `log` receives its log lines, and with `keepLog` stays
// registered for them after the reply. False when the database is not
// open, the link fails or drops before the reply, or the reply cannot be
// taken in.
bool VADSendRequest(int32_t operation, TStream& request, TStream& reply, VADPromptHandler* handler = nullptr,
                    ResultsLog* log = nullptr, bool keepLog = false);

// Sends the bytes of `payload` from its position to its end as a one-way
// message. True when the whole frame went out.
bool VADPostMessage(int32_t operation, TStream& payload);
