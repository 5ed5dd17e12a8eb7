#include "assetdb/client/VADSilentDaemon.h"

#include <atomic>
#include <cstdio>
#include <mutex>

#include "assetdb/client/VADRequestFailures.h"

namespace {

struct Belief {
    std::mutex lock;
    std::string cause;
    // Read without the lock on every frame and every request.
    std::atomic<bool> silent{false};
};

Belief& TheBelief() {
    // Never destroyed: the reader may still see frames while the process
    // exits.
    static Belief* belief = new Belief();
    return *belief;
}

}  // namespace

void VADNoteSilentDaemon(const std::string& cause) {
    Belief& belief = TheBelief();
    std::lock_guard<std::mutex> hold(belief.lock);
    if (belief.silent.load()) return;
    belief.cause = cause;
    belief.silent = true;
}

void VADClearSilentDaemon() {
    Belief& belief = TheBelief();
    if (!belief.silent.load(std::memory_order_relaxed)) return;
    std::lock_guard<std::mutex> hold(belief.lock);
    belief.silent = false;
    belief.cause.clear();
}

bool VADDaemonIsSilent() { return TheBelief().silent.load(); }

std::string VADSilentDaemonCause() {
    Belief& belief = TheBelief();
    std::lock_guard<std::mutex> hold(belief.lock);
    return belief.cause;
}

std::string VADHelloUnansweredMessage() {
    const uint32_t bound = VADReplyInactivityBoundMs();
    char text[160];
    std::snprintf(text, sizeof text,
                  "The daemon accepted the link but sent nothing for %u s while waiting for its answer to the hello; "
                  "gave up waiting.",
                  bound < 1000 ? 1u : bound / 1000);
    return text;
}
