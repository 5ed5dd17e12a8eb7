#pragma once
// The user-name cache: user ids to user names, asked of the daemon
// (operation 90) once per id and kept for the life of the process. A few
// ids have fixed names and are never asked. Used from the main thread only;
// it has no lock.
#include <cstdint>
#include <string>
#include <unordered_map>

#include "engine/DynamicArray.h"
#include "engine/PString.h"

struct UserNameRecord {
    Vek::PString name;  // lower-cased
    int32_t secondId = -1;
    int32_t userId = 0;
};

class UserNameCache {
public:
    // The process-wide cache (made empty on first use when InitUserNameCache
    // was not called).
    static UserNameCache& Instance();

    // Always true. Fixed names: 0 "-", -2 "unknown", any other negative id
    // and the maker's staff ids "Kelmo", each with second id -1. Then the
    // cached record of the id. Otherwise operation 90 (payload: int32 user
    // id; reply: int32 second id, -1 when missing; interned string name,
    // empty when missing), whose answer is entered with Add; a failed
    // request gives second id -1 and an empty name, which is not entered.
    bool Lookup(int32_t userId, int32_t& secondId, Vek::PString& name);

    // Enters a record unless it has neither a second id (-1) nor a name;
    // `name` is replaced by its lower-cased form. The record takes over the
    // index entries under its user id, its second id (unless -1) and its
    // name (unless empty); an older record keeps its entries under other
    // keys. False when nothing was entered.
    bool Add(int32_t secondId, Vek::PString& name, int32_t userId);

    // Takes a record out of the three indexes (the list keeps it).
    void Forget(const UserNameRecord& record);

    // The records entered so far, in order (tests, diagnostics).
    std::size_t RecordCount() const { return m_records.Count(); }

private:
    Vek::DynamicArray<UserNameRecord, 64> m_records;
    std::unordered_map<int32_t, UserNameRecord*> m_byUserId;
    std::unordered_map<int32_t, UserNameRecord*> m_bySecondId;
    std::unordered_map<std::string, UserNameRecord*> m_byName;
};

// The name alone.
Vek::PString GetUserName(int32_t userId);
// The name of the user; true when it is not empty.
bool LookupUserName(int32_t userId, Vek::PString& name);

// Program start and exit: a fresh empty cache, and its end.
void InitUserNameCache();
void DestroyUserNameCache();
