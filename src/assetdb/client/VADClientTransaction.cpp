#include "assetdb/client/VADClientTransaction.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include "assetdb/client/VADRequestFailures.h"
#include "assetdb/client/VADTransactionIds.h"
#include "foundation/log/LogPrintf.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/results/TransactionLogRegistry.h"

namespace {

struct Registry {
    Vek::CriticalSection lock;
    std::map<int32_t, VADClientTransaction*> transactions;
};

Registry& TheRegistry() {
    // Never destroyed: requests may still end while the process exits.
    static Registry* registry = new Registry();
    return *registry;
}

// The line that stands for the lines of one notice past its bounds.
std::string DroppedLogLinesText(std::size_t dropped) {
    char text[200] = "";
    std::snprintf(text, sizeof text,
                  "The daemon sent %zu more log lines in one notice than are kept (at most %zu lines and %zu MiB "
                  "of text); they were dropped.",
                  dropped, kMaxVADNoticeLogLines, kMaxVADNoticeLogTextBytes >> 20);
    return text;
}

// An id is in use while a transaction or a kept log holds it.
bool IdInUse(Registry& registry, int32_t id) {
    return registry.transactions.count(id) != 0 || FindTransactionLog(id) != nullptr;
}

}  // namespace

VADClientTransaction::VADClientTransaction(VADPromptHandler* handler, ResultsLog* log, bool keepLog)
    : m_handler(handler), m_keepLog(keepLog), m_log(log) {}

VADClientTransaction::~VADClientTransaction() {
    Unregister();
    std::unique_lock<std::mutex> hold(m_holdMutex);
    m_holdsGone.wait(hold, [this] { return m_holds == 0; });
}

void VADClientTransaction::Register() {
    Registry& registry = TheRegistry();
    Vek::SingleLock lock(registry.lock);
    if (m_registered) return;
    int32_t id = NextVADTransactionId();
    // After a wrap of the counter an id may still be taken; a few steps on
    // there is a free one (the ids in use are few).
    for (int tries = 0; tries < 1024 && IdInUse(registry, id); ++tries) id = NextVADTransactionId();
    m_id = id;
    m_registered = true;
    m_aborted = false;
    registry.transactions[id] = this;
    if (m_log) RegisterTransactionLog(id, m_log);
}

void VADClientTransaction::Unregister() {
    Registry& registry = TheRegistry();
    Vek::SingleLock lock(registry.lock);
    if (!m_registered) return;
    if (!m_keepLog) UnregisterTransactionLog(m_id);
    auto it = registry.transactions.find(m_id);
    if (it != registry.transactions.end() && it->second == this) registry.transactions.erase(it);
    m_registered = false;
    m_aborted = false;
}

bool VADClientTransaction::WaitForReply() {
    if (m_id == 0) return false;
    const int64_t boundNs = static_cast<int64_t>(VADReplyInactivityBoundMs()) * 1000000;
    const int64_t start = std::chrono::duration_cast<std::chrono::nanoseconds>(
                              std::chrono::steady_clock::now().time_since_epoch())
                              .count();
    for (;;) {
        const int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                std::chrono::steady_clock::now().time_since_epoch())
                                .count();
        // The bound runs from the later of the wait's start and the last
        // frame the daemon sent.
        const int64_t left = std::max(start, VADLastLinkActivity()) + boundNs - now;
        if (left > 0 && m_done.Wait(static_cast<uint32_t>((left + 999999) / 1000000))) break;
        if (left > 0) continue;
        Registry& registry = TheRegistry();
        Vek::SingleLock lock(registry.lock);
        // The reply has come just now: the reader has handed the body over
        // and set the done event.
        if (!m_registered) break;
        Unregister();
        m_timedOut = true;
        return false;
    }
    m_done.Reset();
    Vek::SingleLock lock(TheRegistry().lock);
    return !m_aborted;
}

bool VADClientTransaction::ReceiveReply(int32_t id, const uint8_t* body, int32_t length) {
    Registry& registry = TheRegistry();
    Vek::SingleLock lock(registry.lock);
    auto it = registry.transactions.find(id);
    // An aborted transaction waited on a link that has ended; its requester
    // may be returning already.
    if (it == registry.transactions.end() || it->second->m_aborted) {
        LogPrintf("VADClientTransaction::ReceiveReply> received reply for unknown clientTransactionID=%d", id);
        return false;
    }
    VADClientTransaction* transaction = it->second;
    transaction->m_body.assign(body, body + length);
    transaction->Unregister();
    // Under the lock: once it is released, the requester may return and the
    // transaction end.
    transaction->m_done.Set();
    return true;
}

VADClientTransaction* VADClientTransaction::AcquireForQuestion(int32_t id) {
    Registry& registry = TheRegistry();
    Vek::SingleLock lock(registry.lock);
    auto it = registry.transactions.find(id);
    if (it == registry.transactions.end()) return nullptr;
    VADClientTransaction* transaction = it->second;
    std::lock_guard<std::mutex> hold(transaction->m_holdMutex);
    ++transaction->m_holds;
    return transaction;
}

void VADClientTransaction::ReleaseQuestionHold() {
    std::lock_guard<std::mutex> hold(m_holdMutex);
    if (--m_holds == 0) m_holdsGone.notify_all();
}

void AbortAllVADTransactions() {
    Registry& registry = TheRegistry();
    Vek::SingleLock lock(registry.lock);
    for (auto& entry : registry.transactions) {
        entry.second->m_aborted = true;
        entry.second->m_done.Set();
    }
}

std::size_t VADRegisteredTransactionCount() {
    Registry& registry = TheRegistry();
    Vek::SingleLock lock(registry.lock);
    return registry.transactions.size();
}

void AppendVADTransactionLogLines(int32_t id, TStream& stream) {
    {
        Vek::SingleLock lock(TheRegistry().lock);
        if (ResultsLog* log = FindTransactionLog(id)) {
            const std::size_t dropped = log->ReadEntries(stream, kMaxVADNoticeLogLines, kMaxVADNoticeLogTextBytes);
            if (dropped > 0) log->AddEntry(ResultsLogEntry::kWarning, DroppedLogLinesText(dropped).c_str());
            return;
        }
    }
    // Lines for transaction 0 are the daemon's own messages (no request has
    // that id): they are reported with the word that runs. Lines for an id
    // nobody has registered are dropped unread (the notice's payload is a
    // buffer of its own, so the link stays in step).
    if (id != 0) return;
    ResultsLog lines;
    const std::size_t dropped = lines.ReadEntries(stream, kMaxVADNoticeLogLines, kMaxVADNoticeLogTextBytes);
    lines.Lock();
    for (const ResultsLogEntry& entry : lines.Entries()) VADRecordDaemonMessage(entry.text.c_str());
    lines.Unlock();
    if (dropped > 0) VADRecordDaemonMessage(DroppedLogLinesText(dropped));
}

void VADForgetTransactionLog(const ResultsLog* log) {
    Vek::SingleLock lock(TheRegistry().lock);
    UnregisterTransactionLogsOf(log);
}
