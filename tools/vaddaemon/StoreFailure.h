#pragma once
// The first failure of the store met by the calling thread since it last
// cleared it. Every statement step, statement text and transaction of the
// store that fails notes its cause here, so a request whose answer rests on
// the store can tell a failed read from an empty result without each query
// reporting it (ClientConnection answers such a request empty, with the
// cause as the daemon's own log line). A statement that SQLite refuses to
// compile for its own size or form (the search then evaluates its filter
// another way) is not a failure of the store.
#include <string>

struct StoreFailure {
    int code = 0;  // SQLite's primary result code
    // The cause alone: SQLite's message, or for a full disk the disk named.
    std::string cause;
    // What failed, for the requester: the store, the cause and, for a
    // damaged file, the advice to repair it.
    std::string text;
    // SQLite found the file damaged (or not a database at all).
    bool damaged = false;
};

// Notes a failure with SQLite's result code, its message and the store
// file's OS path, unless one is noted already.
void NoteStoreFailure(int code, const std::string& message, const std::string& osPath);
// Forgets the noted failure.
void ClearStoreFailure();
// The noted failure, forgotten; false when there is none.
bool TakeStoreFailure(StoreFailure& failure);
// The noted failure, kept; null when there is none.
const StoreFailure* NotedStoreFailure();
// SQLite's primary result code says the file is damaged or is no database.
bool IsDamageCode(int code);
// The cause of a failure of the store with this result code.
std::string StoreFailureCause(int code, const std::string& message, const std::string& osPath);
// The requester's text for a failure of the store with this result code.
std::string DescribeStoreFailure(int code, const std::string& message, const std::string& osPath);
