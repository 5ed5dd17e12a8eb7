#pragma once
// The connection layer of the asset-database client: one TCP connection to
// the daemon on the loopback interface, found through the rendezvous, with
// the hello, the reader thread, the database open with retries, the
// reconnect before a message, the goodbye, and the daemon's shutdown.
//
// Locks: the connection lock (recursive) guards the transport, the reader
// thread object and every write to the socket; it is held while a frame is
// written, never while a request waits. The reader thread never takes it:
// it reads only while the reader gate is open.
#include <cstdint>

#include "engine/Sync.h"

// The open parameters that start-up fills.
struct VADOpenDatabaseArgs {
    // Called with the value of every status notice; null: none.
    void (*statusCallback)(int32_t value) = nullptr;
    // 0: a message makes one connection attempt only and the send-attempt
    // loop starts no daemon itself. Start-up passes 0.
    uint8_t reconnect = 1;
    // Sent in the hello; 0 with the init switch "-novadclient".
    uint8_t clientKind = 1;
};

// Opens the database: up to 11 connection attempts, numbered 0 to 10,
// with the retry delay before each attempt after the first; before attempt
// 1 the daemon is started unless an attempt has started it already. True at
// once when open. On failure logs "VADOpenDatabase> unable to connect to
// VADDaemon", resets the open parameters and answers false.
bool VADOpenDatabase(const VADOpenDatabaseArgs& args);
// When open: clears the open flag, disconnects with goodbye, resets the
// open parameters, drops the queued notices, waits for the question
// threads and destroys the SpecRegistry (through its hook). When not open,
// ends a reader started early.
void VADCloseDatabase();
// Starts the reader thread ahead of the first link, behind its closed gate,
// when there is neither a reader nor a link; the next connection uses it.
// A new thread waits milliseconds for its first turn on a busy machine, so
// start-up makes it before its other work rather than on the way to the
// first reply.
void VADStartReaderEarly();
// One connection attempt; true at once when a link stands. A transport
// left by a link that the reader has ended is torn down first. Attaches to
// the rendezvous, reads the port and detaches; with no port, starts the
// daemon and fails; else connects to 127.0.0.1 on the port, sends the hello
// and expects 'VADD' and two words; the reader thread (started before the
// hello unless one waits already) then reads.
bool VADConnect();
// Tears the link down (sending the goodbye word 1 first when asked): the
// socket is shut down, the reader thread ended and joined, the transport
// closed and deleted. From the reader thread itself it does nothing.
void DisconnectFromDaemon(bool goodbye);

// The send-attempt loop. The caller holds the connection lock. Makes sure a
// link stands and writes the first two words of a frame (operation and
// transaction id, 0 for a one-way message), reconnecting as the open
// parameters allow: fails at once while the database is not open; with the
// reconnect flag 0 only attempt 0 is made; else up to 11 attempts, the
// daemon started before attempt 1 and the retry delay before each later
// one. A failed send disconnects without goodbye and tries again. `rest`
// (`restLength` bytes, the frame's next ones) goes out in the same write,
// so that a small frame crosses the link as one segment.
bool VADSendFrameStart(int32_t operation, int32_t transactionId, const void* rest = nullptr, int32_t restLength = 0);
// Sends n bytes on the link; a failure tears the link down without goodbye.
bool VADSendBytes(const void* data, int32_t length);

// Tells the daemon to quit: the reconnect flag becomes 0, operation 270 goes
// out as a request with an empty payload (its reply, if any, is read and
// dropped), and the call waits in 100 ms steps while the link stands, at
// most the shutdown wait. False, with a log line, when the link still
// stands then.
bool VADShutdownDaemon();
// The bound of that wait (60000 ms unless a test sets another).
void SetVADShutdownWaitForTesting(uint32_t milliseconds);

// The wait loops of the command host and of the archive splitting call this
// after running main-thread jobs; it has nothing to do.
void VADClientPoll();
// Held by the archive splitting for its run; it has nothing to do.
struct VADClientPollScope {};

// The delay between database open attempts: VORLEX_OPEN_RETRY_MS when set
// to a number, else 1000 ms.
uint32_t VADOpenRetryDelayMs();

// State, for the reader thread, the request layer and tests.
bool VADIsConnected();
bool VADIsDatabaseOpen();
VADOpenDatabaseArgs VADGetOpenArgs();
Vek::CriticalSection& VADConnectionLock();
// Open (set) whenever the reader thread may read the next frame.
Vek::WEvent& VADReaderGate();
// Whether the reader thread has been asked to stop.
bool VADReaderStopRequested();
// The reader's end: clears the connected flag and opens the gate.
void VADMarkReaderEnded();
