#include "vaddaemon/AssetLibrary.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

#include "engine/File.h"
#include "foundation/files/FileCopy.h"
#include "foundation/files/InstallFolders.h"
#include "foundation/properties/VorlexPropertyAssetID.h"
#include "foundation/results/ResultsLog.h"
#include "foundation/soups/BinarySoupReader.h"
#include "foundation/soups/SoupFiles.h"
#include "foundation/streams/BufferStream.h"
#include "vaddaemon/AssetConfigFacts.h"
#include "vaddaemon/AssetTrash.h"
#include "vaddaemon/DurableSteps.h"
#include "vaddaemon/InstallStaging.h"
#include "vaddaemon/InterruptedChanges.h"
#include "vaddaemon/SettingsSalvage.h"

namespace {

constexpr int32_t kSeverityError = 3;
// How many obsoleting steps Latest follows (a ring of obsoletes ends there).
constexpr int kMaxObsoleteSteps = 64;

void Report(ResultsLog* log, const KUID& kuid, const char* text) {
    if (!log) return;
    PropertyRef property;
    if (!kuid.IsNull()) property.Attach(new VorlexPropertyAssetID("AssetID", kuid));
    log->AddEntry(kSeverityError, property, Vek::String(text), nullptr);
}

bool FolderExists(const std::string& folder) { return Vek::File::IsDirectory(folder.c_str()); }

bool PathExists(const std::string& path) { return Vek::File::Exists(path.c_str()); }

// Deletes a folder tree when it is there; true when nothing is left.
bool RemoveFolder(const std::string& folder) {
    if (!PathExists(folder)) return true;
    Vek::File::DeleteTree(folder.c_str());
    return !PathExists(folder);
}

AssetPlace Place(const char* location, const KUID& kuid) { return AssetPlace{location, KUID::ToFolderName(kuid).c_str()}; }

}  // namespace

std::string AssetLibrary::LocationFolder(const char* location) { return GetLocationPath(location).Str(); }

std::string AssetLibrary::WorkFolder(const char* name) {
    Vek::File::Path folder = GetUserDataPath();
    if (folder.IsEmpty()) return std::string();
    folder.AddPath(name);
    return folder.Str();
}

std::string AssetLibrary::AssetFolder(const char* location, const KUID& kuid) {
    Vek::File::Path folder = GetLocationPath(location);
    if (folder.IsEmpty()) return std::string();
    folder.AddPath(KUID::ToFolderName(kuid).c_str());
    return folder.Str();
}

bool AssetLibrary::Open(const std::string& databasePath, std::string& error) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_store.IsOpen()) return true;
    const std::string osPath = Vek::File::ResolveOsPath(databasePath.c_str());
    if (osPath.empty()) {
        error = "cannot place the database " + databasePath;
        return false;
    }
    for (const char* location : {kLocal, kEditing, kBackups}) {
        const std::string folder = LocationFolder(location);
        if (folder.empty() || !Vek::File::MakeDirectory(folder.c_str())) {
            error = std::string("cannot make the folder of the location ") + location;
            return false;
        }
    }
    m_osPath = osPath;
    return OpenStoreLocked(error);
}

bool AssetLibrary::OpenStoreLocked(std::string& error) {
    if (!m_store.Open(m_osPath, error)) {
        m_storeError = error;
        std::string finding;
        m_storeDamaged = AssetStore::FileIsDamaged(m_osPath, finding);
        return false;
    }
    m_storeError.clear();
    m_storeDamaged = false;
    RecoverStagedInstalls(m_store);
    FinishInterruptedChanges(m_store);
    m_readers.SetPath(m_osPath);
    return true;
}

std::string AssetLibrary::StoreError(bool* damaged) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (damaged) *damaged = m_storeDamaged;
    return m_storeError;
}

bool AssetLibrary::ReopenLocked(std::string& error) {
    if (m_store.IsOpen()) return true;
    if (m_osPath.empty()) {
        error = "the database was never opened";
        return false;
    }
    return OpenStoreLocked(error);
}

bool AssetLibrary::StoreDamagedLocked(std::string& finding) {
    return m_store.IsOpen() ? m_store.IsDamaged(finding) : AssetStore::FileIsDamaged(m_osPath, finding);
}

std::vector<ChangeNote> AssetLibrary::FinishInterruptedChangesLocked() {
    if (!m_store.IsOpen()) return std::vector<ChangeNote>();
    return FinishInterruptedChanges(m_store);
}

namespace {

// Deletes a store file with its journals; false when one stays.
bool RemoveStoreFiles(const std::string& osPath) {
    bool removed = true;
    for (const char* suffix : {"", "-wal", "-shm"}) {
        const std::string file = osPath + suffix;
        if (std::remove(file.c_str()) != 0 && errno != ENOENT) removed = false;
    }
    return removed;
}

}  // namespace

bool AssetLibrary::RebuildStoreLocked(RebuildReport& report, std::string& error) {
    if (m_osPath.empty()) {
        error = "the database was never opened";
        return false;
    }
    const SettingsSalvage salvage = SalvageSettings(m_osPath);
    report.lost = salvage.lost;
    report.incomplete = salvage.incomplete;
    report.unreadable = salvage.unreadable;
    // The new store is made whole beside the old one.
    const std::string fresh = m_osPath + ".new";
    RemoveStoreFiles(fresh);
    {
        AssetStore made;
        if (!made.Open(fresh, error)) {
            RemoveStoreFiles(fresh);
            error = "cannot make a new database: " + error;
            return false;
        }
        for (const auto& [name, soup] : salvage.rows) {
            if (!made.WriteSettings(name, soup)) {
                error = "cannot write the settings into the new database: " + made.Connection().LastError();
                made.Close();
                RemoveStoreFiles(fresh);
                return false;
            }
        }
        report.kept = static_cast<int>(salvage.rows.size());
    }
    // Closing the new store copied its journal into the file.
    if (::access((fresh + "-wal").c_str(), F_OK) == 0) {
        error = "the new database kept its journal";
        RemoveStoreFiles(fresh);
        return false;
    }
    // The old one makes way for it, its journals with it: a journal left
    // beside the new file would be read as the new file's.
    m_store.Close();
    m_readers.SetPath(std::string());
    report.damagedPath = m_osPath + ".damaged";
    RemoveStoreFiles(report.damagedPath);
    if (std::rename(m_osPath.c_str(), report.damagedPath.c_str()) != 0 && errno != ENOENT) {
        error = "cannot put the damaged database aside: " + std::string(std::strerror(errno));
        RemoveStoreFiles(fresh);
        std::string reopened;
        OpenStoreLocked(reopened);
        return false;
    }
    for (const char* suffix : {"-wal", "-shm"}) {
        const std::string journal = m_osPath + suffix;
        const std::string aside = report.damagedPath + suffix;
        if (std::rename(journal.c_str(), aside.c_str()) != 0 && errno != ENOENT && std::remove(journal.c_str()) != 0 &&
            errno != ENOENT) {
            error = "cannot put the damaged database's journal aside: " + std::string(std::strerror(errno));
            std::rename(report.damagedPath.c_str(), m_osPath.c_str());
            RemoveStoreFiles(fresh);
            std::string reopened;
            OpenStoreLocked(reopened);
            return false;
        }
    }
    if (std::rename(fresh.c_str(), m_osPath.c_str()) != 0) {
        error = "cannot put the new database in place: " + std::string(std::strerror(errno));
        m_storeError = error;
        return false;
    }
    return OpenStoreLocked(error);
}

int64_t AssetLibrary::Create(KUID& kuid, bool starterConfig, const std::string& name, int connection,
                             AssetPlace& place, std::string* why) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (kuid.IsNull()) kuid = GenerateKuidLocked(why);
    AssetRecord record;
    if (kuid.IsNull() || !kuid.IsValid() || m_store.Find(kuid, record)) return AssetHandles::kNone;
    const std::string folder = AssetFolder(kEditing, kuid);
    // A folder left from elsewhere is not taken over; the repair adopts it.
    if (folder.empty() || PathExists(folder) || !Vek::File::MakeDirectory(folder.c_str())) return AssetHandles::kNone;
    if (starterConfig) {
        SoupHandle config;
        config.SetKUID("kuid", kuid);
        if (!name.empty()) config.SetString("username", name.c_str());
        Vek::File::Path file(folder);
        file.AddPath("config.txt");
        if (!SaveSoupFile(config, Vek::PString(), file.c_str(), "txt")) {
            RemoveFolder(folder);
            return AssetHandles::kNone;
        }
    }
    record = AssetRecord();
    record.kuid = kuid;
    record.editing = true;
    record.modified = true;
    record.name = name;
    if (!m_store.Put(record)) {
        RemoveFolder(folder);
        return AssetHandles::kNone;
    }
    place = Place(kEditing, kuid);
    return m_handles.Open(kuid, true, connection);
}

int64_t AssetLibrary::OpenAsset(const KUID& kuid, bool edit, int connection, AssetPlace& place, ResultsLog* log) {
    std::lock_guard<std::mutex> hold(m_lock);
    AssetRecord record;
    if (!m_store.Find(kuid, record)) {
        Report(log, kuid, "The asset is not in the database.");
        return AssetHandles::kNone;
    }
    if (edit && !record.editing) {
        const std::string committed = AssetFolder(kLocal, kuid);
        const std::string working = AssetFolder(kEditing, kuid);
        if (PathExists(working)) {
            Report(log, kuid, "A folder of the asset's name is already in the editing location.");
            return AssetHandles::kNone;
        }
        if (!FolderExists(committed) ||
            !CopyTreeBetweenRoots(Vek::PString(), committed.c_str(), Vek::PString(), working.c_str())) {
            RemoveFolder(working);
            Report(log, kuid, "The asset could not be copied for editing.");
            return AssetHandles::kNone;
        }
        record.editing = true;
        if (!m_store.Put(record)) {
            RemoveFolder(working);
            Report(log, kuid, m_store.UpdateFailureText().c_str());
            return AssetHandles::kNone;
        }
    }
    if (edit)
        place = Place(kEditing, kuid);
    else
        place = Place(record.installed ? kLocal : kEditing, kuid);
    return m_handles.Open(kuid, edit, connection);
}

void AssetLibrary::CloseHandle(int64_t handle, int connection) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_handles.Close(handle, connection);
}

bool AssetLibrary::HandleLocation(int64_t handle, int connection, AssetPlace& place) {
    std::lock_guard<std::mutex> hold(m_lock);
    AssetHandle* open = m_handles.Find(handle, connection);
    AssetRecord record;
    if (!open || !m_store.Find(open->kuid, record)) return false;
    if (open->edit && record.editing)
        place = Place(kEditing, record.kuid);
    else if (record.installed)
        place = Place(kLocal, record.kuid);
    else if (record.editing)
        place = Place(kEditing, record.kuid);
    else
        return false;
    return true;
}

bool AssetLibrary::Revert(int64_t handle, int connection, ResultsLog* log) {
    std::lock_guard<std::mutex> hold(m_lock);
    AssetHandle* open = m_handles.Find(handle, connection);
    if (!open) {
        Report(log, KUID::Null(), "The asset handle is not open.");
        return false;
    }
    AssetRecord record;
    if (!m_store.Find(open->kuid, record)) {
        Report(log, open->kuid, "The asset is not in the database.");
        return false;
    }
    const KUID kuid = record.kuid;
    if (!record.editing) {
        Report(log, kuid, "The asset is not open for editing.");
        return false;
    }
    if (!BeginChangeLocked({AssetStore::ChangeKind::kRevert, kuid, false}, log)) return false;
    if (!MoveToTrash(kuid, kEditing)) {
        GiveUpChangeLocked(kuid);
        Report(log, kuid, "The edited copy could not be deleted.");
        return false;
    }
    DurableStep();  // 2: the edited copy is in the trash
    record.editing = false;
    // An asset that was never committed has nothing left once its edits go.
    const bool stored = record.installed ? m_store.Put(record, true) : m_store.Remove(kuid);
    if (!stored) {
        GiveUpChangeLocked(kuid);
        Report(log, kuid, m_store.UpdateFailureText().c_str());
        return false;
    }
    DurableStep();  // 3: the record is updated and the change cleared
    EmptyTrash(kuid);
    DurableStep();  // 4: the edited copy is deleted
    open->edit = false;
    return true;
}

bool AssetLibrary::BeginChangeLocked(const AssetStore::PendingChange& change, ResultsLog* log) {
    // A change left unsettled (its folders would not come back) keeps its
    // trash entry, which a new change would empty.
    bool failed = false;
    if (m_store.HasChange(change.kuid, failed) || failed) {
        Report(log, change.kuid,
               failed ? "The database could not be read."
                      : "An earlier change of the asset is not settled yet; \"repairdatabase\" settles it.");
        return false;
    }
    if (!m_store.BeginChange(change)) {
        Report(log, change.kuid, m_store.UpdateFailureText().c_str());
        return false;
    }
    if (!PrepareTrash(change.kuid)) {
        const std::string why = std::strerror(errno);
        m_store.EndChange(change.kuid);
        Report(log, change.kuid, ("The asset's folders could not be set aside in the trash area: " + why + ".").c_str());
        return false;
    }
    DurableStep();  // 1: the change is recorded
    return true;
}

void AssetLibrary::GiveUpChangeLocked(const KUID& kuid) {
    // Whatever went to the trash goes back where it was. A folder that
    // cannot is not deleted with the trash: the change stays recorded, and
    // the next start or repair settles it.
    bool allBack = true;
    for (const char* location : {kEditing, kLocal, kBackups})
        if (InTrash(kuid, location) && !MoveBackFromTrash(kuid, location)) allBack = false;
    if (!allBack) return;
    m_store.EndChange(kuid);
    EmptyTrash(kuid);
}

bool AssetLibrary::Commit(int64_t handle, int connection, bool& replaced, ResultsLog* log) {
    std::lock_guard<std::mutex> hold(m_lock);
    replaced = false;
    AssetHandle* open = m_handles.Find(handle, connection);
    if (!open) {
        Report(log, KUID::Null(), "The asset handle is not open.");
        return false;
    }
    AssetRecord record;
    if (!m_store.Find(open->kuid, record)) {
        Report(log, open->kuid, "The asset is not in the database.");
        return false;
    }
    const KUID kuid = record.kuid;
    if (!record.editing) {
        Report(log, kuid, "The asset is not open for editing.");
        return false;
    }
    const std::string working = AssetFolder(kEditing, kuid);
    // The binary form is read first: committing would silently drop an edit
    // made in the text form since.
    if (TextConfigIsNewer(working)) {
        Report(log, kuid,
               "The edited asset holds both \"config.chump\" and \"config.txt\", and \"config.txt\" is newer: "
               "\"config.chump\" is read first, so the edit would be ignored. Delete \"config.chump\" to commit "
               "\"config.txt\", or delete \"config.txt\" to keep \"config.chump\".");
        return false;
    }
    SoupHandle config;
    if (!LoadAssetConfig(working, config)) {
        Report(log, kuid, "The edited asset has no readable configuration.");
        return false;
    }
    const KUID named = ConfigKuid(config);
    if (!named.IsNull() && named != kuid) {
        Report(log, kuid, (std::string("The configuration names another asset: ") + named.ToTagString().c_str()).c_str());
        return false;
    }

    const std::string committed = AssetFolder(kLocal, kuid);
    const std::string backup = AssetFolder(kBackups, kuid);
    const bool replaces = PathExists(committed);
    if (!BeginChangeLocked({AssetStore::ChangeKind::kCommit, kuid, replaces}, log)) return false;
    // The older backup goes to the trash and the committed copy takes its
    // place.
    if (replaces && (!MoveToTrash(kuid, kBackups) || !Vek::File::Rename(committed.c_str(), backup.c_str()))) {
        GiveUpChangeLocked(kuid);
        Report(log, kuid, "The committed copy could not be moved to the backups.");
        return false;
    }
    DurableStep();  // 2: the committed copy is in "backups"
    if (!Vek::File::Rename(working.c_str(), committed.c_str())) {
        if (replaces) Vek::File::Rename(backup.c_str(), committed.c_str());
        GiveUpChangeLocked(kuid);
        Report(log, kuid, "The edited asset could not be moved to the local folder.");
        return false;
    }
    DurableStep();  // 3: the edited copy is in "local"
    AssetRecord updated = record;
    RecordCommit(config, updated);
    if (!m_store.Put(updated, true)) {
        // Put the folders back as the record still describes them.
        Vek::File::Rename(committed.c_str(), working.c_str());
        if (replaces) Vek::File::Rename(backup.c_str(), committed.c_str());
        GiveUpChangeLocked(kuid);
        Report(log, kuid, m_store.UpdateFailureText().c_str());
        return false;
    }
    DurableStep();  // 4: the record is updated and the change cleared
    EmptyTrash(kuid);
    DurableStep();  // 5: the older backup is deleted
    open->edit = false;
    replaced = replaces;
    return true;
}

bool AssetLibrary::Delete(const KUID& kuid, bool withEdits, ResultsLog* log) {
    std::lock_guard<std::mutex> hold(m_lock);
    AssetRecord record;
    if (!m_store.Find(kuid, record)) {
        Report(log, kuid, "The asset is not in the database.");
        return false;
    }
    if (record.editing && !withEdits) {
        Report(log, kuid, "The asset is open for editing.");
        return false;
    }
    // Each folder leaves its location in one rename, so a kill never leaves
    // part of one behind; the record goes once both are out.
    if (!BeginChangeLocked({AssetStore::ChangeKind::kDelete, kuid, false}, log)) return false;
    if (!MoveToTrash(kuid, kEditing)) {
        GiveUpChangeLocked(kuid);
        Report(log, kuid, "The asset's folder could not be deleted.");
        return false;
    }
    DurableStep();  // 2: the edited copy is in the trash
    if (!MoveToTrash(kuid, kLocal)) {
        GiveUpChangeLocked(kuid);
        Report(log, kuid, "The asset's folder could not be deleted.");
        return false;
    }
    DurableStep();  // 3: the committed copy is in the trash
    if (!m_store.Remove(kuid)) {
        GiveUpChangeLocked(kuid);
        Report(log, kuid, m_store.UpdateFailureText().c_str());
        return false;
    }
    DurableStep();  // 4: the record and the change are gone
    EmptyTrash(kuid);
    DurableStep();  // 5: the folders are deleted
    return true;
}

void AssetLibrary::ReleaseConnection(int connection) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_handles.CloseAllOf(connection);
}

// A dependency is met by an installed version at or past its own, or by any
// installed version when it names none. AssetStore::FindStatus states the
// same rule in SQL for asset-info answers: change both together.
bool AssetLibrary::Satisfied(AssetStore& store, const KUID& dependency) {
    AssetRecord record;
    if (store.Find(dependency, record) && record.installed) return true;
    for (const KUID& version : store.InstalledVersions(dependency.GetUserID(), dependency.GetContentID()))
        if (version.GetVersion() >= dependency.GetVersion() || dependency.IsTwoPart()) return true;
    return false;
}

AssetInfo AssetLibrary::Info(const KUID& kuid) {
    AssetInfo info;
    info.record.kuid = kuid;
    StoreReaders::Lease reader = m_readers.Take();
    if (!reader.IsValid()) return info;
    // One statement, so one read of one committed state.
    if (!reader.Store().FindStatus(kuid, info.record, info.missingDependencies, info.authorName)) return info;
    info.found = true;
    info.authorId = kuid.GetUserID();
    return info;
}

bool AssetLibrary::CommittedConfig(const KUID& kuid, SoupHandle& config) {
    std::lock_guard<std::mutex> hold(m_lock);
    AssetRecord record;
    if (!m_store.Find(kuid, record) || !record.installed) return false;
    return LoadAssetConfig(AssetFolder(kLocal, kuid), config);
}

bool AssetLibrary::SpecLocation(const KUID& kuid, bool includeEditing, AssetPlace& place) {
    std::lock_guard<std::mutex> hold(m_lock);
    AssetRecord record;
    if (!m_store.Find(kuid, record)) return false;
    if (record.installed)
        place = Place(kLocal, kuid);
    else if (includeEditing && record.editing)
        place = Place(kEditing, kuid);
    else
        return false;
    return true;
}

KUID AssetLibrary::Resolve(const KUID& kuid) {
    std::lock_guard<std::mutex> hold(m_lock);
    AssetRecord record;
    if (kuid.IsNull() || m_store.Find(kuid, record)) return kuid;
    std::vector<KUID> versions = m_store.InstalledVersions(kuid.GetUserID(), kuid.GetContentID());
    // An asset the store does not know resolves to nothing.
    return versions.empty() ? KUID::Null() : versions.front();
}

KUID AssetLibrary::Latest(const KUID& kuid) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (kuid.IsNull()) return kuid;
    KUID latest = kuid;
    std::set<std::pair<int32_t, int32_t>> seen;
    for (int step = 0; step < kMaxObsoleteSteps; ++step) {
        if (!seen.insert({latest.GetUserID(), latest.GetContentID()}).second) break;
        std::vector<KUID> versions = m_store.InstalledVersions(latest.GetUserID(), latest.GetContentID());
        if (!versions.empty() && versions.front().GetVersion() > latest.GetVersion()) latest = versions.front();
        std::vector<KUID> successors = m_store.InstalledObsoleting(latest.GetUserID(), latest.GetContentID());
        if (successors.empty()) break;
        latest = successors.back();
    }
    return latest;
}

std::string AssetLibrary::Description(const KUID& kuid) {
    std::lock_guard<std::mutex> hold(m_lock);
    AssetRecord record;
    return m_store.Find(kuid, record) ? record.description : std::string();
}

bool AssetLibrary::Thumbnail(const KUID& kuid, int32_t size, AssetPlace& place, int32_t& width) {
    SoupHandle config;
    if (!CommittedConfig(kuid, config)) return false;
    std::string image;
    if (!ChooseThumbnail(config, size, image, width)) return false;
    place.location = kLocal;
    Vek::File::Path path(KUID::ToFolderName(kuid).c_str());
    path.AddPath(image.c_str());
    place.folder = path.Str();
    return true;
}

std::vector<KUID> AssetLibrary::Dependencies(const std::vector<KUID>& kuids) {
    std::lock_guard<std::mutex> hold(m_lock);
    std::vector<KUID> all;
    for (const KUID& kuid : kuids) {
        AssetRecord record;
        if (!m_store.Find(kuid, record)) continue;
        for (const KUID& dependency : record.dependencies)
            if (std::find(all.begin(), all.end(), dependency) == all.end()) all.push_back(dependency);
    }
    return all;
}

std::vector<KUID> AssetLibrary::Obsoletes(const KUID& kuid) {
    std::lock_guard<std::mutex> hold(m_lock);
    AssetRecord record;
    return m_store.Find(kuid, record) ? record.obsoletes : std::vector<KUID>();
}

void AssetLibrary::SetFavourite(const KUID& kuid, bool favourite) {
    std::lock_guard<std::mutex> hold(m_lock);
    AssetRecord record;
    if (!m_store.Find(kuid, record) || record.favourite == favourite) return;
    record.favourite = favourite;
    m_store.Put(record);
}

void AssetLibrary::SetKeywords(const KUID& kuid, const std::string& keywords) {
    std::lock_guard<std::mutex> hold(m_lock);
    AssetRecord record;
    if (!m_store.Find(kuid, record) || record.keywords == keywords) return;
    record.keywords = keywords;
    m_store.Put(record);
}

const char* const AssetLibrary::kNoUserIdReason =
    "No KUID can be made: the daemon has no user id. Set \"user-id\" in UserData/vaddaemon.txt (or "
    "VADDAEMON_USER_ID) to the user's number.";
const char* const AssetLibrary::kNoContentIdReason =
    "No KUID can be made: the user's range of content ids is used up or the store could not record it.";

bool AssetLibrary::UserIdLocked(int32_t& user) {
    std::vector<uint8_t> bytes;
    if (m_store.ReadSettings("internet", bytes)) {
        TBuffer stream;
        stream.Write(bytes.data(), static_cast<int32_t>(bytes.size()));
        stream.Rewind();
        SoupHandle settings;
        ReadBinarySoup(settings, stream);
        if (settings.HasTag("user-id")) {
            user = settings.GetInt("user-id", -1);
            return user >= 0 && user <= KUID::kMaxUserID;
        }
    }
    if (m_configuredUserId < 0) return false;
    user = m_configuredUserId;
    return true;
}

KUID AssetLibrary::GenerateKuidLocked(std::string* why) {
    int32_t user = 0;
    int32_t content = 0;
    if (!UserIdLocked(user)) {
        if (why) *why = kNoUserIdReason;
        return KUID::Null();
    }
    if (!m_store.AllocateContentId(user, content)) {
        if (why) *why = kNoContentIdReason;
        return KUID::Null();
    }
    return KUID(user, content, 0);
}

KUID AssetLibrary::GenerateKuid(std::string* why) {
    std::lock_guard<std::mutex> hold(m_lock);
    return GenerateKuidLocked(why);
}
