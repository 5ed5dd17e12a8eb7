#pragma once
// The offline outbox's bounds. OnlineAccess.PostOfflineMessage appends a
// copy of each soup to one process-wide soup that outlives the context
// that posted it; like the endpoint's store for absent clients it keeps at
// most kMaxMessages messages and kMaxBytes bytes (each message counted by
// its binary form): appending past a bound drops the oldest messages first
// (the outbox's first tags), with one log line each, and a message larger
// than kMaxBytes on its own is not kept (one log line).
//
// The copies are charged to the posting context's account while the
// context lives (GSScriptMemoryAccount); its end gives that share back,
// and the messages stay within these bounds.
#include <cstddef>
#include <cstdint>

#include "foundation/soups/SoupHandle.h"
#include "online/OnlineAccessClientEndpoint.h"

namespace GSNatives {

class OfflineOutboxBounds {
public:
    static constexpr std::size_t kMaxMessages = OnlineAccessClientEndpoint::kMaxStoredMessages;
    static constexpr uint64_t kMaxBytes = OnlineAccessClientEndpoint::kMaxStoredBytes;

    // Appends `message` (a copy the outbox keeps) to `outbox` under its
    // first free index tag, making the outbox a container when it is null.
    // False when the message was too large to keep.
    static bool Append(SoupHandle& outbox, SoupHandle& message);
    // The bytes the outbox's messages count (measured again when the outbox
    // is another soup than the one last counted, which is held until then).
    static uint64_t Bytes(const SoupHandle& outbox);
};

}  // namespace GSNatives
