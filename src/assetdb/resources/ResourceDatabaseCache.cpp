#include "assetdb/resources/ResourceDatabaseCache.h"

#include <new>
#include <utility>

#include "assetdb/resources/VorlexResourceDatabase.h"
#include "engine/Sync.h"
#include "foundation/log/LogPrintf.h"

namespace {

struct Row {
    Vek::PString name;
    VorlexResourceDatabase* database = nullptr;
    int32_t references = 0;
};

struct Cache {
    Vek::CriticalSection lock;
    Row rows[kResourceDatabaseCacheRows];
    int count = 0;
};

// Never destroyed: a database released during exit finds the table intact.
Cache& TheCache() {
    static Cache* cache = new Cache;
    return *cache;
}

Row* FindRowLocked(Cache& cache, const VorlexResourceDatabase* database) {
    if (!database) return nullptr;
    for (int i = 0; i < cache.count; ++i)
        if (cache.rows[i].database == database) return &cache.rows[i];
    return nullptr;
}

void PurgeLocked(Cache& cache) {
    int i = 0;
    while (i < cache.count) {
        Row& row = cache.rows[i];
        if (!row.database || row.references != 0) {
            ++i;
            continue;
        }
        delete row.database;  // removes its file-system root
        row.database = nullptr;
        row.name.Release();
        // The last row fills the gap; the same place is looked at again.
        --cache.count;
        if (i != cache.count) {
            row = std::move(cache.rows[cache.count]);
            cache.rows[cache.count].database = nullptr;
            cache.rows[cache.count].references = 0;
        }
    }
}

}  // namespace

VorlexResourceDatabase* AcquireResourceDatabase(const Vek::PString& name, const char* path) {
    if (name.IsEmpty()) return nullptr;
    Cache& cache = TheCache();
    Vek::SingleLock hold(cache.lock);
    for (int i = 0; i < cache.count; ++i) {
        if (cache.rows[i].name == name) {
            ++cache.rows[i].references;
            return cache.rows[i].database;
        }
    }
    if (cache.count == kResourceDatabaseCacheRows) PurgeLocked(cache);
    if (cache.count == kResourceDatabaseCacheRows) return nullptr;

    VorlexResourceDatabase* database = nullptr;
    try {
        database = new (std::nothrow) VorlexResourceDatabase(name, path);
    } catch (...) {
        database = nullptr;
    }
    if (!database) return nullptr;
    Row& row = cache.rows[cache.count++];
    row.name = name;
    row.database = database;
    row.references = 1;
    return database;
}

void AddResourceDatabaseReference(VorlexResourceDatabase* database) {
    Cache& cache = TheCache();
    Vek::SingleLock hold(cache.lock);
    if (Row* row = FindRowLocked(cache, database)) ++row->references;
}

void ReleaseResourceDatabase(VorlexResourceDatabase* database) {
    Cache& cache = TheCache();
    Vek::SingleLock hold(cache.lock);
    Row* row = FindRowLocked(cache, database);
    if (!row) return;
    if (row->references <= 0) {
        // A negative count would let a later holder's reference count as 0
        // and the purge delete a database still in use.
        LogPrintf("ReleaseResourceDatabase> Surplus release of '%s' ignored", row->name.c_str());
        return;
    }
    --row->references;
}

void PurgeResourceDatabaseCache() {
    Cache& cache = TheCache();
    Vek::SingleLock hold(cache.lock);
    PurgeLocked(cache);
}

std::vector<ResourceDatabaseCacheRow> GetResourceDatabaseCacheRows() {
    std::vector<ResourceDatabaseCacheRow> rows;
    Cache& cache = TheCache();
    Vek::SingleLock hold(cache.lock);
    for (int i = 0; i < cache.count; ++i)
        rows.push_back({cache.rows[i].name, cache.rows[i].database, cache.rows[i].references});
    return rows;
}
