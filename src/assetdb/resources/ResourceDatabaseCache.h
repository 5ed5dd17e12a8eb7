#pragma once
// The process-wide cache of open resource databases (VorlexResourceDatabase),
// one per location name, shared by reference count.
//
// A fixed table of kResourceDatabaseCacheRows rows {name, database, count}
// under one critical section. A row whose count falls to 0 stays, with its
// database and file-system root, until a purge deletes it; a purge runs at
// the end of shutdown and when an acquisition finds the table full.
//
// Lock order: the SpecRegistry's lock may be held while these
// calls take the cache's lock, never the other way round; nothing here
// calls out to code that takes other program locks.
#include <cstdint>
#include <vector>

#include "engine/PString.h"

class VorlexResourceDatabase;

constexpr int kResourceDatabaseCacheRows = 256;

// The database of the location `name` with one more reference. Names
// compare exactly (interned strings, so case matters); a name already
// cached returns its database whatever `path` says. Otherwise a new
// database over `path` is made (a full table is purged first). Null for an
// empty name, when the table stays full, and when the database cannot be
// made.
VorlexResourceDatabase* AcquireResourceDatabase(const Vek::PString& name, const char* path);

// One more / one less reference to a cached database. Nothing for null or a
// database the cache does not hold. A release never takes the count below
// 0 (a surplus release is logged and ignored), and never deletes: that is
// the purge's work.
void AddResourceDatabaseReference(VorlexResourceDatabase* database);
void ReleaseResourceDatabase(VorlexResourceDatabase* database);

// Deletes every database whose count is 0, with its file-system root;
// databases still referenced stay.
void PurgeResourceDatabaseCache();

// A snapshot of the rows in table order, for diagnostics.
struct ResourceDatabaseCacheRow {
    Vek::PString name;
    VorlexResourceDatabase* database = nullptr;
    int32_t references = 0;
};
std::vector<ResourceDatabaseCacheRow> GetResourceDatabaseCacheRows();
