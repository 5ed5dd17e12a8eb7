#pragma once
// What the stand-in daemon keeps about one asset. The state flags are the
// daemon's own; the facts below them are read from the asset's committed
// configuration (AssetConfigFacts.h) when it is committed or repaired.
#include <string>
#include <vector>

#include "foundation/kuid/KUID.h"

struct AssetRecord {
    KUID kuid;

    // A committed copy lies in the location "local".
    bool installed = false;
    // Open for editing: a working copy lies in the location "editing".
    bool editing = false;
    // Changed here: committed from an edit at least once.
    bool modified = false;
    // The last repair found its committed configuration unreadable.
    bool faulty = false;
    bool favourite = false;

    // The name given when it was created; the configuration's name replaces
    // it at the first commit.
    std::string name;
    std::string keywords;
    std::string description;
    std::string categoryClass;
    std::string categoryRegion;
    std::string categoryEra;
    float build = 0.0f;

    // From the configuration's "kuid-table" and "obsolete-table".
    std::vector<KUID> dependencies;
    std::vector<KUID> obsoletes;
};
