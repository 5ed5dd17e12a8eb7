#pragma once
// Installs that a crash cannot leave half done. An install puts the asset's
// files together in a staging folder (U\installing\<folder>), commits the
// asset's record, and only then renames the staging folder into "local".
// Each of those three is a durable step: a killed daemon leaves
//   - before the record: a staging folder, which the next start deletes
//     (the asset is absent);
//   - after the record, before the rename: the record and the staging
//     folder, whose rename the next start completes (the asset is
//     installed).
// Files need no syncs for this: what a process wrote stays written when it
// is killed, and the store's journal keeps every commit.
// The three steps are durable steps of the crash switch (DurableSteps.h).
#include <string>

#include "foundation/kuid/KUID.h"

class AssetStore;
struct AssetRecord;

// The staging folder of an asset (engine path), emptied and made ready;
// empty when it cannot be made.
std::string PrepareStagingFolder(const KUID& kuid);

// Commits the record, then renames the staging folder to `target`. False,
// with the staging folder deleted and nothing stored, when the record
// cannot be written. The caller holds the library's lock.
bool CommitStagedInstall(AssetStore& store, const AssetRecord& record, const std::string& staging,
                         const std::string& target, std::string& error);

// At start-up, before serving: completes the renames of assets whose record
// was committed and deletes every other staging folder.
void RecoverStagedInstalls(AssetStore& store);
