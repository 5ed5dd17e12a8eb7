#pragma once
// The stand-in daemon's asset database: one SQLite file (the "assets.vdx"
// that the client names in its hello) holding
//   assets         one row per asset: its KUID, state flags and the facts
//                  read from its configuration (AssetRecord.h)
//   asset_links    the dependencies (kind 0) and obsoleted KUIDs (kind 1)
//                  of each asset, in configuration order
//   settings       settings soups by name, in the binary soup form
//   users          user names by user id
//   kuid_counters  the next content id to hand out in each user's range
//   local_data     per-asset soups of the online access, by key
//   asset_codes    the codes of each asset's category-class, era, keyword
//                  and region lists (AssetCodes.h), which the search
//                  narrows by
//   pending_changes  one row per change of an asset's folders that is under
//                  way (a delete, a commit, a revert): written before the
//                  first folder moves and cleared in the transaction that
//                  updates the asset's record, so that a start after a kill
//                  knows what to finish or undo (InterruptedChanges.h)
// Every change is one transaction, so the file never holds half a change.
// The store has no lock of its own: its owner serialises all use. The file
// has a write-ahead journal, so further connections made by OpenReader read
// the last committed state at the same time as the writer works.
//
// A file written by a later layout (a higher user_version) or a file that
// is not a database is refused, never rewritten. Opening a file of this
// layout writes nothing, so a store on a full disk still opens and reads.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "vaddaemon/AssetRecord.h"
#include "vaddaemon/SqliteConnection.h"

class AssetStore {
public:
    // The layout this code writes (PRAGMA user_version).
    // Layout 2 added the asset_codes table and the search's indexes, layout
    // 3 the pending_changes table; an older file gets them when it is
    // opened.
    static constexpr int kLayoutVersion = 3;

    // Opens or creates the database at an OS path and makes its tables.
    bool Open(const std::string& osPath, std::string& error);
    // Whether SQLite finds the file at an OS path damaged (its integrity
    // check fails, or it reads as damaged or as no database), with the first
    // finding. A file that is not there, or that cannot be read for another
    // reason (a lock, a missing right), is not found damaged.
    static bool FileIsDamaged(const std::string& osPath, std::string& finding);
    // Opens a further connection to a database that Open made, for reading
    // only.
    bool OpenReader(const std::string& osPath, std::string& error);
    bool IsOpen() const { return m_db.IsOpen(); }
    void Close() { m_db.Close(); }
    // The same for the open store.
    bool IsDamaged(std::string& finding);
    const std::string& OsPath() const { return m_osPath; }
    // The connection, for queries of the store's tables built elsewhere
    // (AssetSearch.h).
    SqliteConnection& Connection() { return m_db; }

    // ---- assets ----
    bool Find(const KUID& kuid, AssetRecord& record);
    // What an asset-info request reports, in one statement: the record
    // without its links and description, whether a dependency is satisfied
    // by no installed asset (the rule of AssetLibrary::Satisfied), and the
    // name of the asset's user (empty when none is stored). False when the
    // store holds no such asset.
    bool FindStatus(const KUID& kuid, AssetRecord& record, bool& missingDependencies, std::string& authorName);
    // Inserts or replaces the record with its links; with `endsChange` the
    // asset's pending change is cleared in the same transaction.
    bool Put(const AssetRecord& record, bool endsChange = false);
    // Removes the record with everything kept of the asset, its pending
    // change included.
    bool Remove(const KUID& kuid);
    // "The database could not be updated." with the cause of the last Put,
    // Remove or BeginChange that failed, for the requester's log: the
    // failure noted for the request (StoreFailure.h), or SQLite's message.
    std::string UpdateFailureText() const;

    // ---- changes under way ----
    enum class ChangeKind { kDelete = 1, kCommit = 2, kRevert = 3 };
    struct PendingChange {
        ChangeKind kind = ChangeKind::kDelete;
        KUID kuid;
        // A commit: the asset had a committed copy, which goes to "backups".
        bool replaces = false;
    };
    // Records a change before its first folder moves.
    bool BeginChange(const PendingChange& change);
    // Whether a change of the asset is recorded (false also when the rows
    // could not be read; `failed` tells).
    bool HasChange(const KUID& kuid, bool& failed);
    // Clears the row of a change that was given up with its folders back.
    bool EndChange(const KUID& kuid);
    // False when the rows could not be read.
    bool PendingChanges(std::vector<PendingChange>& changes);
    std::vector<KUID> AllAssets();
    // The installed versions of one user and content id, highest first.
    std::vector<KUID> InstalledVersions(int32_t user, int32_t content);
    // Installed assets whose obsolete list names this user and content id
    // (any version).
    std::vector<KUID> InstalledObsoleting(int32_t user, int32_t content);

    // ---- settings soups (binary form) ----
    // False when none is stored under the name.
    bool ReadSettings(const std::string& name, std::vector<uint8_t>& soup);
    bool WriteSettings(const std::string& name, const std::vector<uint8_t>& soup);

    // ---- user names ----
    bool FindUserName(int32_t user, std::string& name);
    bool SetUserName(int32_t user, const std::string& name);

    // ---- KUIDs ----
    // The next unused content id of the user's range (1 or more, above every
    // known asset of the user and every id handed out before); false when
    // the range is exhausted or the store fails.
    bool AllocateContentId(int32_t user, int32_t& content);

    // ---- the online access's per-asset soups ----
    bool ReadLocalData(const KUID& kuid, const std::string& key, std::vector<uint8_t>& soup);
    bool WriteLocalData(const KUID& kuid, const std::string& key, const std::vector<uint8_t>& soup);

private:
    bool MakeTables(std::string& error);
    void ReadLinks(AssetRecord& record);
    // Rewrites the asset's rows of asset_codes.
    bool PutCodes(const AssetRecord& record);
    // Fills asset_codes from every stored asset (a layout-1 file).
    bool FillCodes();

    // Keeps SQLite's message of a failed update before the transaction's
    // rollback replaces it; answers false.
    bool UpdateFailed();

    SqliteConnection m_db;
    std::string m_osPath;
    std::string m_updateFailure;
};
