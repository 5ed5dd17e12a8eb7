#include "assetdb/client/VADRequestFailures.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <unordered_set>

#include "assetdb/fpx/FpxInactivityWatch.h"

namespace {

struct Record {
    std::mutex lock;
    std::vector<std::string> messages;  // in the order they came
    std::unordered_set<std::string> kept;  // the same, for finding one
};

Record& TheRecord() {
    // Never destroyed: requests may still end while the process exits.
    static Record* record = new Record();
    return *record;
}

std::atomic<int64_t> g_lastActivity{0};

int64_t Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

std::string VADRequestFailureMessage(int32_t operation, VADRequestFailure failure) {
    char text[200] = "";
    switch (failure) {
        case VADRequestFailure::kNotSent:
            std::snprintf(text, sizeof text,
                          "The daemon could not be reached for operation %d: the link "
                          "to it is lost.",
                          operation);
            break;
        case VADRequestFailure::kLinkLost:
            std::snprintf(text, sizeof text,
                          "The link to the daemon was lost while waiting for its reply "
                          "to operation %d.",
                          operation);
            break;
        case VADRequestFailure::kNoReply: {
            const uint32_t bound = VADReplyInactivityBoundMs();
            std::snprintf(text, sizeof text,
                          "The daemon sent nothing for %u s while waiting for its "
                          "reply to operation %d; gave up waiting.",
                          bound < 1000 ? 1u : bound / 1000, operation);
            break;
        }
        case VADRequestFailure::kEmptyReply:
            std::snprintf(text, sizeof text, "The daemon's reply to operation %d was empty.", operation);
            break;
    }
    return text;
}

void VADRecordRequestFailure(int32_t operation, VADRequestFailure failure) {
    VADRecordDaemonMessage(VADRequestFailureMessage(operation, failure));
}

void VADRecordDaemonMessage(const std::string& message) {
    if (message.empty()) return;
    Record& record = TheRecord();
    std::lock_guard<std::mutex> hold(record.lock);
    if (record.kept.insert(message).second) record.messages.push_back(message);
}

std::vector<std::string> VADTakeRequestFailures() {
    Record& record = TheRecord();
    std::lock_guard<std::mutex> hold(record.lock);
    std::vector<std::string> taken;
    taken.swap(record.messages);
    record.kept.clear();
    return taken;
}

bool VADRequestFailuresRecorded() {
    Record& record = TheRecord();
    std::lock_guard<std::mutex> hold(record.lock);
    return !record.messages.empty();
}

uint32_t VADReplyInactivityBoundMs() { return FpxInactivityBoundMs(); }

void VADNoteLinkActivity() { g_lastActivity.store(Now(), std::memory_order_relaxed); }

int64_t VADLastLinkActivity() { return g_lastActivity.load(std::memory_order_relaxed); }
