#pragma once
// Where the daemon link meets the SpecRegistry. The registry
// lives while the database is open: VADOpenDatabase creates it and
// VADCloseDatabase destroys it, and the requests that change an asset
// (commit, delete) drop the asset's cached AssetSpec. The registry
// installs its three functions here; while none are installed these calls
// do nothing.
#include "foundation/kuid/KUID.h"

struct VADSpecRegistryHooks {
    // Makes the process-wide registry (after a successful open).
    void (*create)() = nullptr;
    // Destroys it (at close).
    void (*destroy)() = nullptr;
    // Drops the cached AssetSpec of one asset, so that the next lookup
    // reads the asset again.
    void (*discardSpec)(const KUID& asset) = nullptr;
};

// Installs the hooks (all null: none).
void SetVADSpecRegistryHooks(const VADSpecRegistryHooks& hooks);

void VADCreateSpecRegistry();
void VADDestroySpecRegistry();
void VADDiscardCachedSpec(const KUID& asset);
