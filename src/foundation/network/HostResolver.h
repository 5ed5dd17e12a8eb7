#pragma once
// Host-name resolution on one resolver thread that serves a queue of
// lookup requests, so that a slow lookup never blocks more than the caller
// that asked for it, and that caller at most 5000 ms.
//
// The resolver is usable while networking is started: network start adds a
// use, network stop releases it. The thread starts with the first lookup
// and ends when its queue runs empty; the next lookup starts a new one.
#include <netinet/in.h>

#include <cstdint>

#include "engine/AnsiString.h"
#include "engine/Sync.h"

// One lookup, made by the caller and answered by the resolver thread.
struct HostLookupRequest {
    Vek::WEvent done{true, false};  // manual reset, set once answered
    Vek::String host;
    uint16_t port = 0;              // host order
    sockaddr_in* addressOut = nullptr;
    bool result = false;
};

// How long ResolveHostAddress waits for the resolver.
constexpr uint32_t kHostLookupTimeoutMs = 5000;

// Under the resolver lock, the use count + 1.
void AddResolverUse();
// Under the resolver lock, the use count - 1. When it reaches 0, the
// resolver thread is waited for and deleted outside the lock, so a thread
// still inside a lookup can finish and end at its next check.
void ReleaseResolverUse();
// Queues a lookup and waits at most kHostLookupTimeoutMs for it. True when
// `address` holds the host's IPv4 address with the port. While networking
// is started, a dotted IPv4 address ("127.0.0.1") and "localhost" need no
// lookup and are answered on the caller's thread, without the resolver
// thread; without networking they fail after the wait like any other host.
bool ResolveHostAddress(const char* host, uint16_t port, sockaddr_in& address);
// The lookup itself: family AF_INET, the port in network order, and the
// address of the first IPv4 answer; "localhost" (any case) is 127.0.0.1
// without a lookup. False when the host has no IPv4 address.
bool ResolveHostName(const char* host, uint16_t port, sockaddr_in& address);
// Waits for and deletes the resolver thread without taking the lock.
void StopResolverThread();

// For tests: the current use count, and whether a resolver thread object
// exists now.
int32_t ResolverUseCount();
bool ResolverThreadExists();
