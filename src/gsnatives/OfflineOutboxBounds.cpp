#include "gsnatives/OfflineOutboxBounds.h"

#include <algorithm>

#include "foundation/log/LogPrintf.h"
#include "foundation/soups/SoupMemoryCharge.h"
#include "foundation/soups/SoupWalkLimit.h"

namespace GSNatives {

namespace {

// The binary form's header, which a message inside the outbox does not
// repeat.
constexpr uint64_t kBinaryHeader = 16;

// The soup the count below belongs to (held, so that no other soup can
// take its address), and its bytes.
struct Counted {
    ChunkRef root;
    uint64_t bytes = 0;
};

Counted& Count() {
    static Counted counted;
    return counted;
}

uint64_t BinaryBytes(const SoupHandle& soup) {
    SoupWalkCost cost;
    MeasureSoupWithin(soup, SoupWalkLimit{}, cost);
    return cost.binaryBytes - kBinaryHeader;
}

}  // namespace

uint64_t OfflineOutboxBounds::Bytes(const SoupHandle& outbox) {
    Counted& counted = Count();
    if (counted.root.Get() != outbox.Get()) {
        counted.root = outbox.GetRoot();
        counted.bytes = 0;
        for (int32_t i = 0; i < outbox.Count(); ++i) counted.bytes += BinaryBytes(outbox.GetContainerAt(i));
    }
    return counted.bytes;
}

bool OfflineOutboxBounds::Append(SoupHandle& outbox, SoupHandle& message) {
    const uint64_t bytes = BinaryBytes(message);
    if (bytes > kMaxBytes) {
        LogPrintf("OnlineAccess.PostOfflineMessage> message too large to keep (%llu bytes); dropped",
                  static_cast<unsigned long long>(bytes));
        return false;
    }
    // The outbox belongs to the process: its container and pairs are charged
    // to no context (the message's own nodes are the poster's).
    SoupChargeScope uncharged(nullptr);
    outbox.EnsureContainer();
    uint64_t held = Bytes(outbox);
    while (outbox.Count() > 0 &&
           (static_cast<std::size_t>(outbox.Count()) >= kMaxMessages || held + bytes > kMaxBytes)) {
        LogPrintf("OnlineAccess.PostOfflineMessage> offline outbox full: dropping the oldest message");
        const uint64_t dropped = BinaryBytes(outbox.GetContainerAt(0));
        outbox.RemoveTag(outbox.GetTagName(0));
        held -= std::min(held, dropped);
    }
    outbox.SetContainer(outbox.GetFreeIndexTag(), message);
    Count() = Counted{outbox.GetRoot(), held + bytes};
    return true;
}

}  // namespace GSNatives
