#pragma once
// The per-process output pipe. A program that starts this one and wants
// its console lines creates a FIFO named "<pid>cout" (the child's process
// id) in the runtime folder before the child starts; the child then sends
// its console writer's lines there, as UTF-16, instead of to standard
// output. Without such a FIFO, or without a reader on it, output stays on
// the inherited standard output.
#include <string>

// The runtime folder: $XDG_RUNTIME_DIR when set and not empty, else
// /tmp/vorlex-<uid>.
std::string RuntimeFolder();

// The FIFO's path for a process id.
std::string StdoutFifoPath(int processId);

// Opens the FIFO of this process for writing without blocking (a FIFO
// that nobody reads, left behind by an earlier process of the same id, is
// skipped rather than waited on), and makes it the console writer's
// output. Only a FIFO owned by this user is taken. Returns true when the
// FIFO is now the output.
bool RedirectStdoutToPipe();
