#include "assetdb/users/UserNameCache.h"

#include <memory>

#include "assetdb/requests/VADOperations.h"
#include "assetdb/requests/VADRequestBuffers.h"

namespace {

std::unique_ptr<UserNameCache>& TheCache() {
    static std::unique_ptr<UserNameCache> cache;
    return cache;
}

// The maker's staff, shown under the maker's name.
constexpr int32_t kStaffIds[] = {30501, 401543, 44179, 311512, 407571, 523, 414773, 447264, 467400, 565830};

// The fixed name of an id, or null.
const char* FixedName(int32_t userId) {
    if (userId == 0) return "-";
    if (userId == -2) return "unknown";
    if (userId < 0) return "Kelmo";
    for (int32_t staff : kStaffIds)
        if (userId == staff) return "Kelmo";
    return nullptr;
}

// Removes the entry of `key` from `index` when it maps to `record`.
template <typename Map, typename Key>
void EraseIfItIs(Map& index, const Key& key, const UserNameRecord* record) {
    auto it = index.find(key);
    if (it != index.end() && it->second == record) index.erase(it);
}

}  // namespace

UserNameCache& UserNameCache::Instance() {
    std::unique_ptr<UserNameCache>& cache = TheCache();
    if (!cache) cache = std::make_unique<UserNameCache>();
    return *cache;
}

bool UserNameCache::Lookup(int32_t userId, int32_t& secondId, Vek::PString& name) {
    if (const char* fixed = FixedName(userId)) {
        secondId = -1;
        name = fixed;
        return true;
    }
    auto it = m_byUserId.find(userId);
    if (it != m_byUserId.end()) {
        secondId = it->second->secondId;
        name = it->second->name;
        return true;
    }
    VADRequestBuffers buffers;
    buffers.request.WriteInt32(userId);
    secondId = -1;
    name = Vek::PString();
    if (buffers.SendExpectingBody(kVADOpLookupUserName)) {
        buffers.reply.ReadInt32(secondId, -1);
        buffers.reply.ReadPString(name);
    }
    Add(secondId, name, userId);
    return true;
}

bool UserNameCache::Add(int32_t secondId, Vek::PString& name, int32_t userId) {
    const int weight = (secondId == -1 ? 1 : 2) + (name.IsEmpty() ? 0 : 1);
    if (weight < 2) return false;
    name.ToLower();
    const std::string key = name.c_str();

    // Each index entry under one of the new record's keys goes over to it;
    // an older record keeps its entries under its other keys (a user id
    // whose name another user now answers to stays cached).
    UserNameRecord record;
    record.name = name;
    record.secondId = secondId;
    record.userId = userId;
    m_records.Add(record);
    UserNameRecord* entered = m_records[m_records.Count() - 1];
    if (secondId != -1) m_bySecondId[secondId] = entered;
    m_byUserId[userId] = entered;
    if (!key.empty()) m_byName[key] = entered;
    return true;
}

void UserNameCache::Forget(const UserNameRecord& record) {
    EraseIfItIs(m_byUserId, record.userId, &record);
    EraseIfItIs(m_bySecondId, record.secondId, &record);
    EraseIfItIs(m_byName, std::string(record.name.c_str()), &record);
}

Vek::PString GetUserName(int32_t userId) {
    int32_t secondId = -1;
    Vek::PString name;
    UserNameCache::Instance().Lookup(userId, secondId, name);
    return name;
}

bool LookupUserName(int32_t userId, Vek::PString& name) {
    name = GetUserName(userId);
    return !name.IsEmpty();
}

void InitUserNameCache() { TheCache() = std::make_unique<UserNameCache>(); }

void DestroyUserNameCache() { TheCache().reset(); }
