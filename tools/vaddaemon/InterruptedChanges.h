#pragma once
// What a start after a kill (and the repair) does with the changes of
// folders and records that were under way: each row of the store's
// pending_changes (AssetStore.h) is finished or undone from what its
// folders show, so every asset is whole and recorded or gone:
//   delete  undone when no folder reached the trash yet (the row alone is
//           cleared), else finished: the folders still in "local" or
//           "editing" go to the trash, the record goes, the trash entry is
//           deleted;
//   revert  undone when the edited copy has not reached the trash, else
//           finished: the asset is no longer open for editing (or goes,
//           when it was never committed), the trash entry is deleted;
//   commit  finished when the edited copy reached "local" (the record is
//           updated from its configuration and the older backup deleted),
//           else undone: the committed copy comes back from "backups" and
//           the older backup from the trash, and the asset stays open for
//           editing with its edits.
// A change that cannot be finished now (a folder that will not move, a
// record that will not write) keeps its row and its trash entry for the
// next try. Trash entries of no pending change are left from changes that
// ended, and are deleted. The caller holds the library's lock.
#include <string>
#include <vector>

#include "foundation/kuid/KUID.h"

class AssetStore;

struct ChangeNote {
    KUID kuid;
    bool done = false;  // false: the change is kept for the next try
    std::string text;
};

std::vector<ChangeNote> FinishInterruptedChanges(AssetStore& store);
