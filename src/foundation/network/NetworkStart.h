#pragma once
// Process-wide network start and stop: sockets (nothing to start on Linux),
// the TLS library with its lock table and one client context (made by the
// first GetClientContext after the start), and a use of the host-name
// resolver.
//
// Only the first InitializeNetwork in the life of the process does
// anything, also after ShutdownNetwork: networking cannot be restarted.
#include <openssl/ssl.h>

void InitializeNetwork();
// Releases the resolver use, frees the client context, removes the
// callbacks and destroys the lock table.
void ShutdownNetwork();

// Whether InitializeNetwork has run (never cleared).
bool NetworkStarted();
// The client context, starting TLS the first time; null before start and
// after stop.
SSL_CTX* GetClientContext();
