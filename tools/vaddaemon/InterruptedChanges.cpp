#include "vaddaemon/InterruptedChanges.h"

#include "engine/File.h"
#include "vaddaemon/AssetConfigFacts.h"
#include "vaddaemon/AssetLibrary.h"
#include "vaddaemon/AssetStore.h"
#include "vaddaemon/AssetTrash.h"

namespace {

using Change = AssetStore::PendingChange;
using Kind = AssetStore::ChangeKind;

bool Present(const char* location, const KUID& kuid) {
    const std::string folder = AssetLibrary::AssetFolder(location, kuid);
    return !folder.empty() && Vek::File::Exists(folder.c_str());
}

// A change none of whose folders has moved is dropped: the asset is as it
// was, and a change that failed before its first move (its row left behind
// by a store that could no longer write) is not carried out later.
bool Untouched(const KUID& kuid) {
    return !InTrash(kuid, AssetLibrary::kEditing) && !InTrash(kuid, AssetLibrary::kLocal);
}

bool SettleDelete(AssetStore& store, const KUID& kuid, std::string& text) {
    if (Untouched(kuid)) {
        text = "An interrupted delete of the asset was undone before any folder moved.";
        return store.EndChange(kuid);
    }
    text = "An interrupted delete of the asset was finished.";
    return MoveToTrash(kuid, AssetLibrary::kEditing) && MoveToTrash(kuid, AssetLibrary::kLocal) &&
           store.Remove(kuid);
}

bool SettleRevert(AssetStore& store, AssetRecord& record, std::string& text) {
    if (Untouched(record.kuid)) {
        text = "An interrupted revert of the asset was undone before any folder moved.";
        return store.EndChange(record.kuid);
    }
    text = "An interrupted revert of the asset was finished.";
    record.editing = false;
    return record.installed ? store.Put(record, true) : store.Remove(record.kuid);
}

// Finished or undone; false when neither could be done now. `text` tells
// which.
bool SettleCommit(AssetStore& store, const Change& change, AssetRecord& record, std::string& text) {
    const KUID& kuid = change.kuid;
    if (!Present(AssetLibrary::kEditing, kuid) && Present(AssetLibrary::kLocal, kuid)) {
        SoupHandle config;
        if (LoadAssetConfig(AssetLibrary::AssetFolder(AssetLibrary::kLocal, kuid), config)) {
            RecordCommit(config, record);
        } else {
            record.installed = true;
            record.editing = false;
            record.faulty = true;
        }
        text = "An interrupted commit of the asset was finished.";
        return store.Put(record, true);
    }
    // The edit did not reach "local": the committed copy comes back.
    if (change.replaces && !Present(AssetLibrary::kLocal, kuid)) {
        const std::string backup = AssetLibrary::AssetFolder(AssetLibrary::kBackups, kuid);
        const std::string committed = AssetLibrary::AssetFolder(AssetLibrary::kLocal, kuid);
        if (!Vek::File::Rename(backup.c_str(), committed.c_str())) return false;
    }
    MoveBackFromTrash(kuid, AssetLibrary::kBackups);
    text = "An interrupted commit of the asset was undone; it is still open for editing.";
    return store.EndChange(kuid);
}

}  // namespace

std::vector<ChangeNote> FinishInterruptedChanges(AssetStore& store) {
    std::vector<ChangeNote> notes;
    std::vector<Change> changes;
    if (!store.PendingChanges(changes)) return notes;
    std::vector<std::string> kept;
    for (const Change& change : changes) {
        ChangeNote note;
        note.kuid = change.kuid;
        AssetRecord record;
        if (!store.Find(change.kuid, record)) {
            // A record that is gone ended its change with it.
            note.done = store.EndChange(change.kuid);
            note.text = "An interrupted change of an asset that is no longer recorded was dropped.";
        } else if (change.kind == Kind::kDelete) {
            note.done = SettleDelete(store, change.kuid, note.text);
        } else if (change.kind == Kind::kRevert) {
            note.done = SettleRevert(store, record, note.text);
        } else {
            note.done = SettleCommit(store, change, record, note.text);
        }
        if (note.done) {
            EmptyTrash(change.kuid);
        } else {
            kept.push_back(KUID::ToFolderName(change.kuid).c_str());
            note.text = "An interrupted change of the asset could not be settled; it is tried again at the next "
                        "start or repair.";
        }
        notes.push_back(std::move(note));
    }
    EmptyTrashExcept(kept);
    return notes;
}
