#pragma once
// One pending request of the daemon link, and the process-wide registry of
// them.
//
// A requester makes a transaction (on its own stack), registers it under a
// fresh id, writes its frame, and waits. The reader thread finds the
// transaction by the id of each reply and signals it; when the link ends,
// every registered transaction is aborted. A request's result log is
// registered with the result-log registry under the same id, so the
// daemon's log lines for the request reach it.
//
// Questions: a question thread may use a transaction's prompt handler
// outside the transaction lock. It takes a hold on the transaction first,
// and the transaction's destruction waits until every hold is given back,
// so a request never returns (freeing its handler and log) while a question
// thread still uses them, whether or not the link has dropped meanwhile.
//
// Locks: the transaction lock (recursive) guards the registry, the id
// counter and the appending of log lines to registered logs. It is taken
// before the result-log registry's lock and before a log's own lock, never
// after them: nobody sends a request while holding a result log's lock.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/Sync.h"

class ResultsLog;
class TStream;
class VADPromptHandler;

class VADClientTransaction {
public:
    VADClientTransaction(VADPromptHandler* handler, ResultsLog* log, bool keepLog);
    // Unregisters, then waits until no question thread holds the
    // transaction.
    ~VADClientTransaction();
    VADClientTransaction(const VADClientTransaction&) = delete;
    VADClientTransaction& operator=(const VADClientTransaction&) = delete;

    // Takes the next id (never 0, never one still in use), enters the
    // transaction in the registry and registers its log under the id.
    void Register();
    // Unless keep-log is set, removes the log registration of the id;
    // removes the transaction from the registry; clears registered and
    // aborted. Nothing when not registered.
    void Unregister();
    // False at once for id 0. Waits for the reply or the abort, resets the
    // event, and answers true unless aborted; the reply's body is then in
    // Body(). While the daemon sends no
    // frame at all for the reply inactivity bound (VADRequestFailures.h),
    // the wait gives up: the transaction is unregistered (a reply that
    // comes later is dropped as one for an unknown id), TimedOut() is set
    // and the answer is false.
    bool WaitForReply();
    bool TimedOut() const { return m_timedOut; }

    int32_t Id() const { return m_id; }
    // The reply's body, once WaitForReply has answered true.
    const std::vector<uint8_t>& Body() const { return m_body; }
    VADPromptHandler* PromptHandler() const { return m_handler; }

    // Reader thread: a whole reply came. For a registered transaction that
    // has not been aborted, the body is kept in it, the transaction is
    // unregistered and signalled. False, with a log line, for any other id:
    // the reply is dropped.
    static bool ReceiveReply(int32_t id, const uint8_t* body, int32_t length);

    // For a question about request `id`: the registered transaction with a
    // hold taken on it, or null when none is registered under the id.
    static VADClientTransaction* AcquireForQuestion(int32_t id);
    // Gives a hold back.
    void ReleaseQuestionHold();

private:
    int32_t m_id = 0;
    Vek::WEvent m_done{true, false};
    VADPromptHandler* m_handler = nullptr;
    bool m_keepLog = false;
    bool m_registered = false;  // under the transaction lock
    bool m_aborted = false;     // under the transaction lock
    bool m_timedOut = false;
    ResultsLog* m_log = nullptr;
    std::vector<uint8_t> m_body;  // written by the reader before the done event

    std::mutex m_holdMutex;
    std::condition_variable m_holdsGone;
    int32_t m_holds = 0;

    friend void AbortAllVADTransactions();
};

// Sets aborted and signals every registered transaction (the link ended).
void AbortAllVADTransactions();

// The number of registered transactions.
std::size_t VADRegisteredTransactionCount();

// What one log-line notice may add: lines past either bound are dropped,
// with one line saying how many. The reader thread handles these notices,
// so a notice that announces a million lines (or a gigabyte of text) must
// not hold it, nor the memory, for long.
constexpr std::size_t kMaxVADNoticeLogLines = 100000;
constexpr std::size_t kMaxVADNoticeLogTextBytes = std::size_t{16} << 20;

// Reads one result-log entry block from the stream into the log registered
// for `id`, in one pass and within the bounds above (a warning line counts
// what was dropped). The lines of id 0, the daemon's own messages, are
// recorded for the running word (VADRequestFailures.h), the count of
// dropped ones as one more message; lines for an id without a log are
// dropped. The append to a registered log runs under the transaction lock,
// so a log that is taken out of the registry through the link (Unregister,
// VADForgetTransactionLog) is never appended to after that.
void AppendVADTransactionLogLines(int32_t id, TStream& stream);

// Removes every registration of the log, under the transaction lock. The
// owner of a log sent with keep-log calls this before the log ends (the
// database task does so in its destructor), because the daemon may still
// send log lines for that request.
void VADForgetTransactionLog(const ResultsLog* log);
