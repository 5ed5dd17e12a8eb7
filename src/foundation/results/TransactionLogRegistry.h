#pragma once
// The process-wide map from a daemon transaction id to the result log that
// collects that transaction's log lines. It does not own the logs: the
// daemon link registers a request's log before it sends the request and
// removes it when the transaction ends, and a log removes itself when it is
// destroyed. Each operation holds the registry's lock throughout.
#include <cstdint>

class ResultsLog;

// Maps the id to the log, replacing an earlier log of that id.
void RegisterTransactionLog(int32_t transactionId, ResultsLog* log);
// The log registered for the id, or null.
ResultsLog* FindTransactionLog(int32_t transactionId);
// Removes the id; nothing when it is not registered.
void UnregisterTransactionLog(int32_t transactionId);
// Removes every id that maps to the log.
void UnregisterTransactionLogsOf(const ResultsLog* log);
