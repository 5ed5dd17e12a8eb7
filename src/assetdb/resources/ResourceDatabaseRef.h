#pragma once
// The handle through which an AssetSpec holds the resource database of
// its location: {database, ok}, with one cache reference while the database
// is set (ResourceDatabaseCache.h). The empty handle is {null, false}.
//
// The handle is a plain value: copying it copies the pointer without a
// reference, and nothing is released on destruction. Its holder calls
// Release (or Assign) exactly once for each reference it took.
#include "engine/PString.h"

class VorlexResourceDatabase;

struct ResourceDatabaseRef {
    VorlexResourceDatabase* database = nullptr;
    bool ok = false;

    // The database of a location. An empty name gives {null, true}: no
    // location is no failure. Otherwise the database is acquired from the
    // cache over the installation folder joined with the location's folder
    // name ("Base" for "base", "Data" for "data", else the name itself; an
    // unknown installation folder leaves the folder name alone), and ok
    // tells whether there is one.
    static ResourceDatabaseRef Open(const Vek::PString& location);

    // Gives the reference back (nothing for an empty handle); the handle
    // keeps its values.
    void Release();
    // Takes a reference to `from`'s database, gives its own back, then
    // copies both fields.
    void Assign(const ResourceDatabaseRef& from);
    // Sets {null, false} without giving anything back.
    void Clear();
    // The database's location name; empty for an empty handle.
    Vek::PString GetName() const;
};
