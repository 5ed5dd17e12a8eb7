#pragma once
// The trash area of the asset folders, U\trash. A change that takes an
// asset's folder out of its location (a delete, a revert, a commit
// replacing an older backup) moves it here in one rename before the asset's
// record changes, and deletes it here afterwards: a kill never leaves a
// half-deleted folder in a location. Each asset has its own entry,
// U\trash\<asset folder>\<location name>. The area lies in U beside the
// locations, so the renames stay on one file system, and outside "local"
// and "editing", whose folders the repair takes up as assets.
#include <string>
#include <vector>

#include "foundation/kuid/KUID.h"

// The asset's entry in the trash made and emptied; false when it cannot be.
bool PrepareTrash(const KUID& kuid);
// Renames the asset's folder in `location` into its trash entry. True when
// it was moved or was not there.
bool MoveToTrash(const KUID& kuid, const char* location);
// Renames the asset's folder back from its trash entry into `location`
// when it is there and the location has none of the name.
bool MoveBackFromTrash(const KUID& kuid, const char* location);
// Whether the asset's trash entry holds its folder of `location`.
bool InTrash(const KUID& kuid, const char* location);
// Deletes the asset's trash entry; true when nothing is left of it.
bool EmptyTrash(const KUID& kuid);
// Deletes every entry of the trash but those of `keep` (asset folder
// names).
void EmptyTrashExcept(const std::vector<std::string>& keep);
