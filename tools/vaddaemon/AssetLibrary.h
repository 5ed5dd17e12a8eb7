#pragma once
// The stand-in daemon's assets: the records of the store (AssetStore.h)
// and the asset folders in the user folder's locations, kept in step.
//
// An asset's folder is named by KUID::ToFolderName ("kuid 3 100"):
//   U\local\<folder>     the committed copy (record flag "installed")
//   U\editing\<folder>   the working copy while open for editing; the
//                        client writes into it
//   U\backups\<folder>   the committed copy that the last commit replaced
// Lifecycle: create (a new editing folder) -> open for editing (a copy of
// the committed folder) -> commit (the editing folder becomes the committed
// one) or revert (the editing folder goes; an asset never committed goes
// with it) -> delete (both folders and the record). Every step changes the
// folders first and the record after; when the record cannot be written the
// folders are put back, so the store never names a folder that is not
// there. Nothing is overwritten: a folder that is in the way makes the step
// fail instead. A delete, commit or revert records its change in the store
// before its first folder moves, moves each folder in one rename (folders
// that go are renamed into the trash area, AssetTrash.h, and deleted there
// last) and clears the change with the record's update; a start after a
// kill, and the repair, finish or undo what a kill interrupted
// (InterruptedChanges.h). The durable steps, for the crash switch
// (DurableSteps.h):
//   delete  1 change recorded, 2 edited copy in the trash, 3 committed copy
//           in the trash, 4 record removed, 5 trash deleted
//   commit  1 change recorded, 2 committed copy in "backups" (the older
//           backup in the trash), 3 edited copy in "local", 4 record
//           updated, 5 trash deleted
//   revert  1 change recorded, 2 edited copy in the trash, 3 record
//           updated, 4 trash deleted
// A step whose folder is not there still counts.
//
// One lock serialises every change; the connections' threads and the
// repair job share the library. Searches and asset-info lookups read
// through connections of their own (StoreReaders.h) without that lock. Messages for the requester go into the
// given log (when not null) as errors naming the asset.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/soups/SoupHandle.h"
#include "vaddaemon/AssetHandles.h"
#include "vaddaemon/AssetStore.h"
#include "vaddaemon/InterruptedChanges.h"
#include "vaddaemon/StoreReaders.h"

class ResultsLog;

// A location name and a folder inside it, as the link carries them.
struct AssetPlace {
    std::string location;
    std::string folder;
};

// What operation 21 reports of one asset.
struct AssetInfo {
    AssetRecord record;
    bool found = false;
    // A dependency that no installed version satisfies.
    bool missingDependencies = false;
    int32_t authorId = 0;
    std::string authorName;
};

class AssetLibrary {
public:
    static constexpr const char* kLocal = "local";
    static constexpr const char* kEditing = "editing";
    static constexpr const char* kBackups = "backups";

    // Opens the store at the database path (resolved through the engine's
    // file layer) and makes the three locations' folders when missing.
    bool Open(const std::string& databasePath, std::string& error);
    // Why the store could not be opened; empty while it is open (or before
    // the first Open). `damaged` tells whether SQLite found the file
    // damaged, which a repair mends.
    std::string StoreError(bool* damaged = nullptr);

    // What making the store again kept and lost.
    struct RebuildReport {
        std::string damagedPath;  // where the old file was put
        int kept = 0;             // settings soups copied into the new store
        int lost = 0;             // settings soups known to be lost
        bool incomplete = false;  // parts of the settings did not read
        bool unreadable = false;  // the settings table did not read at all
    };
    // With the lock held: opens the store again when it is not open (a full
    // disk may have kept it from opening). False with the reason.
    bool ReopenLocked(std::string& error);
    // With the lock held: whether SQLite finds the store damaged (open, or
    // the file when it would not open), with the first finding.
    bool StoreDamagedLocked(std::string& finding);
    // With the lock held: makes a new store beside the damaged one with the
    // settings soups that can still be read from it (SettingsSalvage.h);
    // once it is complete the damaged file is put aside as "<file>.damaged"
    // (replacing an older one) and the new one takes its place. False with
    // `error`, the old store left as it was, when no new store could be
    // made.
    bool RebuildStoreLocked(RebuildReport& report, std::string& error);
    // With the lock held: finishes or undoes the changes a kill
    // interrupted (InterruptedChanges.h).
    std::vector<ChangeNote> FinishInterruptedChangesLocked();

    // ---- handles and the lifecycle ----
    // A null KUID asks for a new one in the user's range. With
    // `starterConfig`, the folder receives a "config.txt" holding "kuid" and,
    // when the name is not empty, "username". kNone when the KUID is known
    // already, no new one can be made, or the folder cannot be made.
    // `why` gets the reason when a new KUID was asked for and none could be
    // made.
    int64_t Create(KUID& kuid, bool starterConfig, const std::string& name, int connection, AssetPlace& place,
                   std::string* why = nullptr);
    // With `edit`, an asset that is not open for editing gets a copy of its
    // committed folder under "editing". kNone for an unknown asset.
    int64_t OpenAsset(const KUID& kuid, bool edit, int connection, AssetPlace& place, ResultsLog* log);
    void CloseHandle(int64_t handle, int connection);
    // The working copy for a handle opened for editing while the asset is
    // open for editing, else the committed copy, else the working copy.
    bool HandleLocation(int64_t handle, int connection, AssetPlace& place);
    bool Revert(int64_t handle, int connection, ResultsLog* log);
    // `replaced` tells whether an earlier committed copy went to "backups".
    bool Commit(int64_t handle, int connection, bool& replaced, ResultsLog* log);
    // With `withEdits` an asset open for editing loses its edits too;
    // without, it is refused.
    bool Delete(const KUID& kuid, bool withEdits, ResultsLog* log);
    void ReleaseConnection(int connection);

    // ---- queries ----
    AssetInfo Info(const KUID& kuid);
    // The configuration of the committed copy; false when there is none.
    bool CommittedConfig(const KUID& kuid, SoupHandle& config);
    // The committed copy; with `includeEditing` an asset that was never
    // committed gives its working copy.
    bool SpecLocation(const KUID& kuid, bool includeEditing, AssetPlace& place);
    // The KUID itself when known, else the highest installed version of its
    // user and content id, else the null KUID (an asset the daemon does not
    // know).
    KUID Resolve(const KUID& kuid);
    // The highest installed version, then the newest installed asset that
    // obsoletes it, followed as far as it goes.
    KUID Latest(const KUID& kuid);
    std::string Description(const KUID& kuid);
    // The committed copy's thumbnail (location, path inside it, width).
    bool Thumbnail(const KUID& kuid, int32_t size, AssetPlace& place, int32_t& width);
    // The dependencies of every KUID given, each once, in order.
    std::vector<KUID> Dependencies(const std::vector<KUID>& kuids);
    std::vector<KUID> Obsoletes(const KUID& kuid);
    void SetFavourite(const KUID& kuid, bool favourite);
    void SetKeywords(const KUID& kuid, const std::string& keywords);
    // A new KUID in the user's range; the null KUID without one, with the
    // reason in `why` when given.
    KUID GenerateKuid(std::string* why = nullptr);
    // The user id the daemon was given (DaemonOptions.h); -1 for none.
    void SetConfiguredUserId(int32_t user) { m_configuredUserId = user; }

    // ---- for the settings, the repair and the other users of the store ----
    // Hold Mutex() while using Store() or the helpers below.
    std::mutex& Mutex() { return m_lock; }
    AssetStore& Store() { return m_store; }
    // The folder of a location, and of an asset in it, for the file layer.
    static std::string LocationFolder(const char* location);
    static std::string AssetFolder(const char* location, const KUID& kuid);
    // A folder of the daemon's own work in the user folder (the staging of
    // installs, the trash), beside the locations; empty while unknown.
    static std::string WorkFolder(const char* name);
    // The user id of the "internet" settings' "user-id", else the one the
    // daemon was given; false without either.
    bool UserIdLocked(int32_t& user);
    // Why no KUID can be made (no user id, or the range used up).
    static const char* const kNoUserIdReason;
    static const char* const kNoContentIdReason;
    // Some installed version satisfies the dependency.
    bool SatisfiedLocked(const KUID& dependency) { return Satisfied(m_store, dependency); }
    static bool Satisfied(AssetStore& store, const KUID& dependency);
    // The read-only connections (no lock needed).
    StoreReaders& Readers() { return m_readers; }

private:
    KUID GenerateKuidLocked(std::string* why = nullptr);
    // Opens the store at m_osPath and settles what a kill left; on failure
    // keeps the reason and whether the file is damaged.
    bool OpenStoreLocked(std::string& error);
    // Prepares the asset's trash entry and records the change (durable
    // step 1); false, with the reason in the log, when either fails.
    bool BeginChangeLocked(const AssetStore::PendingChange& change, ResultsLog* log);
    // Moves back what went to the trash and clears the change.
    void GiveUpChangeLocked(const KUID& kuid);

    int32_t m_configuredUserId = -1;
    // The store's OS path once Open was asked, and why it did not open.
    std::string m_osPath;
    std::string m_storeError;
    bool m_storeDamaged = false;

    std::mutex m_lock;
    AssetStore m_store;
    StoreReaders m_readers;
    AssetHandles m_handles;
};
