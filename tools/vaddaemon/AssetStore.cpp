#include "vaddaemon/AssetStore.h"

#include <algorithm>
#include <limits>
#include <set>

#include "vaddaemon/AssetCodes.h"
#include "vaddaemon/StoreFailure.h"

namespace {

constexpr int kLinkDependency = 0;
constexpr int kLinkObsolete = 1;

const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS assets("
    " user_id INTEGER NOT NULL, content_id INTEGER NOT NULL, version INTEGER NOT NULL,"
    " installed INTEGER NOT NULL, editing INTEGER NOT NULL, modified INTEGER NOT NULL,"
    " faulty INTEGER NOT NULL, favourite INTEGER NOT NULL,"
    " name TEXT NOT NULL, keywords TEXT NOT NULL, description TEXT NOT NULL,"
    " category_class TEXT NOT NULL, category_region TEXT NOT NULL, category_era TEXT NOT NULL,"
    " build REAL NOT NULL,"
    " PRIMARY KEY(user_id, content_id, version));"
    "CREATE TABLE IF NOT EXISTS asset_links("
    " user_id INTEGER NOT NULL, content_id INTEGER NOT NULL, version INTEGER NOT NULL,"
    " kind INTEGER NOT NULL, position INTEGER NOT NULL,"
    " target_user INTEGER NOT NULL, target_content INTEGER NOT NULL, target_version INTEGER NOT NULL,"
    " PRIMARY KEY(user_id, content_id, version, kind, position));"
    "CREATE TABLE IF NOT EXISTS settings(name TEXT PRIMARY KEY, soup BLOB NOT NULL);"
    "CREATE TABLE IF NOT EXISTS users(user_id INTEGER PRIMARY KEY, name TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS kuid_counters(user_id INTEGER PRIMARY KEY, next_content INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS local_data("
    " user_id INTEGER NOT NULL, content_id INTEGER NOT NULL, version INTEGER NOT NULL,"
    " key TEXT NOT NULL, soup BLOB NOT NULL,"
    " PRIMARY KEY(user_id, content_id, version, key));"
    "CREATE TABLE IF NOT EXISTS pending_changes("
    " user_id INTEGER NOT NULL, content_id INTEGER NOT NULL, version INTEGER NOT NULL,"
    " operation INTEGER NOT NULL, replaces INTEGER NOT NULL,"
    " PRIMARY KEY(user_id, content_id, version));";

// Added by layout 2: the codes of each asset's lists, and the indexes the
// search narrows its candidates by.
const char kSearchSchema[] =
    "CREATE TABLE IF NOT EXISTS asset_codes("
    " kind INTEGER NOT NULL, code TEXT NOT NULL,"
    " user_id INTEGER NOT NULL, content_id INTEGER NOT NULL, version INTEGER NOT NULL,"
    " PRIMARY KEY(kind, code, user_id, content_id, version)) WITHOUT ROWID;"
    "CREATE INDEX IF NOT EXISTS asset_codes_by_asset ON asset_codes(user_id, content_id, version);"
    "CREATE INDEX IF NOT EXISTS assets_by_name ON assets(name COLLATE NOCASE);"
    "CREATE INDEX IF NOT EXISTS asset_links_by_target ON asset_links(kind, target_user, target_content);";

SqliteStatement& BindKuid(SqliteStatement& statement, int first, const KUID& kuid) {
    return statement.Bind(first, static_cast<int64_t>(kuid.GetUserID()))
        .Bind(first + 1, static_cast<int64_t>(kuid.GetContentID()))
        .Bind(first + 2, static_cast<int64_t>(kuid.GetVersion()));
}

KUID KuidAt(const SqliteStatement& statement, int first) {
    return KUID(static_cast<int32_t>(statement.Int(first)), static_cast<int32_t>(statement.Int(first + 1)),
                static_cast<int32_t>(statement.Int(first + 2)));
}

// The record's columns as Find and FindStatus select them first: installed,
// editing, modified, faulty, favourite, name, keywords, category_class,
// category_region, category_era, build.
constexpr int kRecordColumns = 11;

// A record from those columns; its description and links stay empty.
void ReadRecord(const SqliteStatement& select, const KUID& kuid, AssetRecord& record) {
    record = AssetRecord();
    record.kuid = kuid;
    record.installed = select.Int(0) != 0;
    record.editing = select.Int(1) != 0;
    record.modified = select.Int(2) != 0;
    record.faulty = select.Int(3) != 0;
    record.favourite = select.Int(4) != 0;
    record.name = select.Text(5);
    record.keywords = select.Text(6);
    record.categoryClass = select.Text(7);
    record.categoryRegion = select.Text(8);
    record.categoryEra = select.Text(9);
    record.build = static_cast<float>(select.Real(10));
}

// SQLite's integrity check of an open connection: true, with the first
// finding, when it fails or the file reads as damaged or as no database.
bool Damaged(SqliteConnection& db, std::string& finding) {
    SqliteStatement check = db.PrepareOnce("PRAGMA integrity_check(1)");
    if (!check.Step()) {
        finding = db.LastError();
        return db.LastErrorIsDamage();
    }
    finding = check.Text(0);
    return finding != "ok";
}

}  // namespace

bool AssetStore::Open(const std::string& osPath, std::string& error) {
    if (!m_db.Open(osPath, error)) return false;
    if (!MakeTables(error)) {
        m_db.Close();
        return false;
    }
    m_osPath = osPath;
    return true;
}

bool AssetStore::IsDamaged(std::string& finding) { return Damaged(m_db, finding); }

bool AssetStore::FileIsDamaged(const std::string& osPath, std::string& finding) {
    SqliteConnection file;
    if (!file.Open(osPath, finding, SqliteConnection::kExisting)) return false;
    if (!file.Exec("PRAGMA query_only=1")) {
        finding = file.LastError();
        return file.LastErrorIsDamage();
    }
    return Damaged(file, finding);
}

bool AssetStore::OpenReader(const std::string& osPath, std::string& error) {
    if (!m_db.Open(osPath, error)) return false;
    if (!m_db.Exec("PRAGMA query_only=1")) {
        error = m_db.LastError();
        m_db.Close();
        return false;
    }
    m_osPath = osPath;
    return true;
}

bool AssetStore::MakeTables(std::string& error) {
    SqliteStatement version = m_db.Prepare("PRAGMA user_version");
    if (!version.Step()) {
        error = "not an asset database: " + m_db.LastError();
        return false;
    }
    const int64_t layout = version.Int(0);
    version = SqliteStatement();
    if (layout > kLayoutVersion) {
        error = "the database has a later layout (" + std::to_string(layout) + ")";
        return false;
    }
    if (!m_db.Exec("PRAGMA synchronous=NORMAL")) {
        error = "cannot set the journal: " + m_db.LastError();
        return false;
    }
    if (layout == kLayoutVersion) {
        // Made by this code: the tables are there and the journal mode is
        // kept in the file, so nothing is written (a full disk still lets
        // the store open and read).
        SqliteStatement journal = m_db.PrepareOnce("PRAGMA journal_mode");
        if (journal.Step() && journal.Text(0) == "wal") return true;
        if (journal.Failed()) {
            error = "cannot read the journal mode: " + m_db.LastError();
            return false;
        }
    }
    // A write-ahead journal: readers on their own connections see the last
    // committed state while the writer works. A commit is durable once the
    // journal holds it (a killed daemon loses nothing committed); the file
    // is synced when the journal is copied back into it.
    SqliteStatement journal = m_db.PrepareOnce("PRAGMA journal_mode=WAL");
    if (!journal.Step() || journal.Text(0) != "wal") {
        error = "cannot set the journal: " + m_db.LastError();
        return false;
    }
    journal = SqliteStatement();
    SqliteTransaction transaction(m_db);
    if (!transaction.Began() || !m_db.Exec(kSchema) || !m_db.Exec(kSearchSchema) ||
        (layout < 2 && !FillCodes()) ||
        !m_db.Exec(("PRAGMA user_version=" + std::to_string(kLayoutVersion)).c_str()) || !transaction.Commit()) {
        error = "cannot make the tables: " + m_db.LastError();
        return false;
    }
    return true;
}

bool AssetStore::FillCodes() {
    std::vector<AssetRecord> records;
    {
        SqliteStatement select = m_db.PrepareOnce(
            "SELECT user_id, content_id, version, category_class, category_era, keywords, category_region"
            " FROM assets");
        while (select.Step()) {
            AssetRecord record;
            record.kuid = KuidAt(select, 0);
            record.categoryClass = select.Text(3);
            record.categoryEra = select.Text(4);
            record.keywords = select.Text(5);
            record.categoryRegion = select.Text(6);
            records.push_back(std::move(record));
        }
        if (select.Failed()) return false;
    }
    for (const AssetRecord& record : records)
        if (!PutCodes(record)) return false;
    return true;
}

bool AssetStore::PutCodes(const AssetRecord& record) {
    SqliteStatement clear = m_db.Prepare("DELETE FROM asset_codes WHERE user_id=?1 AND content_id=?2 AND version=?3");
    if (!BindKuid(clear, 1, record.kuid).Run()) return false;
    const std::pair<AssetCodeKind, std::vector<std::string>> lists[] = {
        {AssetCodeKind::kCategoryClass, CategoryClassCodes(record.categoryClass)},
        {AssetCodeKind::kEra, ListCodes(record.categoryEra)},
        {AssetCodeKind::kKeyword, ListCodes(record.keywords)},
        {AssetCodeKind::kRegion, ListCodes(record.categoryRegion)},
    };
    for (const auto& [kind, codes] : lists) {
        for (const std::string& code : std::set<std::string>(codes.begin(), codes.end())) {
            SqliteStatement insert = m_db.Prepare(
                "INSERT INTO asset_codes(kind, code, user_id, content_id, version) VALUES(?1, ?2, ?3, ?4, ?5)");
            insert.Bind(1, static_cast<int64_t>(kind)).Bind(2, code);
            if (!BindKuid(insert, 3, record.kuid).Run()) return false;
        }
    }
    return true;
}

bool AssetStore::Find(const KUID& kuid, AssetRecord& record) {
    SqliteStatement select = m_db.Prepare(
        "SELECT installed, editing, modified, faulty, favourite, name, keywords,"
        " category_class, category_region, category_era, build, description"
        " FROM assets WHERE user_id=?1 AND content_id=?2 AND version=?3");
    BindKuid(select, 1, kuid);
    if (!select.Step()) return false;
    ReadRecord(select, kuid, record);
    record.description = select.Text(kRecordColumns);
    select = SqliteStatement();
    ReadLinks(record);
    return true;
}

bool AssetStore::FindStatus(const KUID& kuid, AssetRecord& record, bool& missingDependencies,
                            std::string& authorName) {
    // A dependency is met by an installed version at or past its own. One
    // that names no version (two-part) is met by any: its version is the
    // lowest a user of its sign has (0 for a user id of 0 or more, and a
    // negative user id has only the highest). The same rule, asset by asset,
    // is AssetLibrary::Satisfied, which searches use: change both together.
    SqliteStatement select = m_db.Prepare(
        "SELECT a.installed, a.editing, a.modified, a.faulty, a.favourite, a.name, a.keywords,"
        " a.category_class, a.category_region, a.category_era, a.build, u.name,"
        " EXISTS(SELECT 1 FROM asset_links l"
        "  WHERE l.user_id=a.user_id AND l.content_id=a.content_id AND l.version=a.version AND l.kind=?4"
        "  AND NOT EXISTS(SELECT 1 FROM assets d"
        "   WHERE d.user_id=l.target_user AND d.content_id=l.target_content AND d.installed<>0"
        "   AND d.version>=l.target_version))"
        " FROM assets a LEFT JOIN users u ON u.user_id=a.user_id"
        " WHERE a.user_id=?1 AND a.content_id=?2 AND a.version=?3");
    BindKuid(select, 1, kuid).Bind(4, static_cast<int64_t>(kLinkDependency));
    if (!select.Step()) return false;
    ReadRecord(select, kuid, record);
    authorName = select.Text(kRecordColumns);
    missingDependencies = select.Int(kRecordColumns + 1) != 0;
    return true;
}

void AssetStore::ReadLinks(AssetRecord& record) {
    SqliteStatement select = m_db.Prepare(
        "SELECT kind, target_user, target_content, target_version FROM asset_links"
        " WHERE user_id=?1 AND content_id=?2 AND version=?3 ORDER BY kind, position");
    BindKuid(select, 1, record.kuid);
    while (select.Step()) {
        const int64_t kind = select.Int(0);
        if (kind == kLinkDependency)
            record.dependencies.push_back(KuidAt(select, 1));
        else if (kind == kLinkObsolete)
            record.obsoletes.push_back(KuidAt(select, 1));
    }
}

bool AssetStore::Put(const AssetRecord& record, bool endsChange) {
    SqliteTransaction transaction(m_db);
    if (!transaction.Began()) return UpdateFailed();
    SqliteStatement insert = m_db.Prepare(
        "INSERT OR REPLACE INTO assets(user_id, content_id, version, installed, editing, modified, faulty,"
        " favourite, name, keywords, description, category_class, category_region, category_era, build)"
        " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15)");
    BindKuid(insert, 1, record.kuid)
        .Bind(4, static_cast<int64_t>(record.installed))
        .Bind(5, static_cast<int64_t>(record.editing))
        .Bind(6, static_cast<int64_t>(record.modified))
        .Bind(7, static_cast<int64_t>(record.faulty))
        .Bind(8, static_cast<int64_t>(record.favourite))
        .Bind(9, record.name)
        .Bind(10, record.keywords)
        .Bind(11, record.description)
        .Bind(12, record.categoryClass)
        .Bind(13, record.categoryRegion)
        .Bind(14, record.categoryEra)
        .Bind(15, static_cast<double>(record.build));
    if (!insert.Run()) return UpdateFailed();
    SqliteStatement clear =
        m_db.Prepare("DELETE FROM asset_links WHERE user_id=?1 AND content_id=?2 AND version=?3");
    if (!BindKuid(clear, 1, record.kuid).Run()) return UpdateFailed();
    const std::vector<KUID>* lists[] = {&record.dependencies, &record.obsoletes};
    for (int kind = kLinkDependency; kind <= kLinkObsolete; ++kind) {
        int64_t position = 0;
        for (const KUID& target : *lists[kind]) {
            SqliteStatement link = m_db.Prepare(
                "INSERT INTO asset_links(user_id, content_id, version, kind, position, target_user,"
                " target_content, target_version) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
            BindKuid(link, 1, record.kuid).Bind(4, static_cast<int64_t>(kind)).Bind(5, position++);
            if (!BindKuid(link, 6, target).Run()) return UpdateFailed();
        }
    }
    if (!PutCodes(record)) return UpdateFailed();
    if (endsChange) {
        SqliteStatement end =
            m_db.Prepare("DELETE FROM pending_changes WHERE user_id=?1 AND content_id=?2 AND version=?3");
        if (!BindKuid(end, 1, record.kuid).Run()) return UpdateFailed();
    }
    return transaction.Commit() || UpdateFailed();
}

bool AssetStore::BeginChange(const PendingChange& change) {
    SqliteStatement insert = m_db.Prepare(
        "INSERT OR REPLACE INTO pending_changes(user_id, content_id, version, operation, replaces)"
        " VALUES(?1, ?2, ?3, ?4, ?5)");
    BindKuid(insert, 1, change.kuid)
        .Bind(4, static_cast<int64_t>(change.kind))
        .Bind(5, static_cast<int64_t>(change.replaces));
    return insert.Run() || UpdateFailed();
}

bool AssetStore::HasChange(const KUID& kuid, bool& failed) {
    SqliteStatement select =
        m_db.Prepare("SELECT 1 FROM pending_changes WHERE user_id=?1 AND content_id=?2 AND version=?3");
    const bool found = BindKuid(select, 1, kuid).Step();
    failed = select.Failed();
    return found;
}

bool AssetStore::EndChange(const KUID& kuid) {
    SqliteStatement end = m_db.Prepare("DELETE FROM pending_changes WHERE user_id=?1 AND content_id=?2 AND version=?3");
    return BindKuid(end, 1, kuid).Run();
}

bool AssetStore::PendingChanges(std::vector<PendingChange>& changes) {
    SqliteStatement select = m_db.Prepare(
        "SELECT user_id, content_id, version, operation, replaces FROM pending_changes"
        " ORDER BY user_id, content_id, version");
    while (select.Step()) {
        const int64_t operation = select.Int(3);
        if (operation < static_cast<int64_t>(ChangeKind::kDelete) ||
            operation > static_cast<int64_t>(ChangeKind::kRevert))
            continue;
        changes.push_back(PendingChange{static_cast<ChangeKind>(operation), KuidAt(select, 0), select.Int(4) != 0});
    }
    return !select.Failed();
}

bool AssetStore::Remove(const KUID& kuid) {
    SqliteTransaction transaction(m_db);
    if (!transaction.Began()) return UpdateFailed();
    const char* statements[] = {
        "DELETE FROM assets WHERE user_id=?1 AND content_id=?2 AND version=?3",
        "DELETE FROM asset_links WHERE user_id=?1 AND content_id=?2 AND version=?3",
        "DELETE FROM local_data WHERE user_id=?1 AND content_id=?2 AND version=?3",
        "DELETE FROM asset_codes WHERE user_id=?1 AND content_id=?2 AND version=?3",
        "DELETE FROM pending_changes WHERE user_id=?1 AND content_id=?2 AND version=?3",
    };
    for (const char* sql : statements) {
        SqliteStatement remove = m_db.Prepare(sql);
        if (!BindKuid(remove, 1, kuid).Run()) return UpdateFailed();
    }
    return transaction.Commit() || UpdateFailed();
}

std::string AssetStore::UpdateFailureText() const {
    // The failure noted for the request names the disk when it is full.
    const StoreFailure* noted = NotedStoreFailure();
    const std::string& cause = noted ? noted->cause : m_updateFailure;
    if (cause.empty()) return "The database could not be updated.";
    return "The database could not be updated: " + cause + ".";
}

bool AssetStore::UpdateFailed() {
    m_updateFailure = m_db.LastError();
    return false;
}

std::vector<KUID> AssetStore::AllAssets() {
    std::vector<KUID> all;
    SqliteStatement select =
        m_db.Prepare("SELECT user_id, content_id, version FROM assets ORDER BY user_id, content_id, version");
    while (select.Step()) all.push_back(KuidAt(select, 0));
    return all;
}

std::vector<KUID> AssetStore::InstalledVersions(int32_t user, int32_t content) {
    std::vector<KUID> versions;
    SqliteStatement select = m_db.Prepare(
        "SELECT user_id, content_id, version FROM assets"
        " WHERE user_id=?1 AND content_id=?2 AND installed<>0 ORDER BY version DESC");
    select.Bind(1, static_cast<int64_t>(user)).Bind(2, static_cast<int64_t>(content));
    while (select.Step()) versions.push_back(KuidAt(select, 0));
    return versions;
}

std::vector<KUID> AssetStore::InstalledObsoleting(int32_t user, int32_t content) {
    std::vector<KUID> found;
    SqliteStatement select = m_db.Prepare(
        "SELECT DISTINCT a.user_id, a.content_id, a.version FROM asset_links l JOIN assets a"
        " ON a.user_id=l.user_id AND a.content_id=l.content_id AND a.version=l.version"
        " WHERE l.kind=?1 AND l.target_user=?2 AND l.target_content=?3 AND a.installed<>0"
        " ORDER BY a.user_id, a.content_id, a.version");
    select.Bind(1, static_cast<int64_t>(kLinkObsolete))
        .Bind(2, static_cast<int64_t>(user))
        .Bind(3, static_cast<int64_t>(content));
    while (select.Step()) found.push_back(KuidAt(select, 0));
    return found;
}

bool AssetStore::ReadSettings(const std::string& name, std::vector<uint8_t>& soup) {
    SqliteStatement select = m_db.Prepare("SELECT soup FROM settings WHERE name=?1");
    select.Bind(1, name);
    if (!select.Step()) return false;
    soup = select.Blob(0);
    return true;
}

bool AssetStore::WriteSettings(const std::string& name, const std::vector<uint8_t>& soup) {
    SqliteStatement insert = m_db.Prepare("INSERT OR REPLACE INTO settings(name, soup) VALUES(?1, ?2)");
    return insert.Bind(1, name).BindBlob(2, soup).Run();
}

bool AssetStore::FindUserName(int32_t user, std::string& name) {
    SqliteStatement select = m_db.Prepare("SELECT name FROM users WHERE user_id=?1");
    select.Bind(1, static_cast<int64_t>(user));
    if (!select.Step()) return false;
    name = select.Text(0);
    return true;
}

bool AssetStore::SetUserName(int32_t user, const std::string& name) {
    SqliteStatement insert = m_db.Prepare("INSERT OR REPLACE INTO users(user_id, name) VALUES(?1, ?2)");
    return insert.Bind(1, static_cast<int64_t>(user)).Bind(2, name).Run();
}

bool AssetStore::AllocateContentId(int32_t user, int32_t& content) {
    SqliteTransaction transaction(m_db);
    if (!transaction.Began()) return false;
    int64_t next = 1;
    SqliteStatement counter = m_db.Prepare("SELECT next_content FROM kuid_counters WHERE user_id=?1");
    counter.Bind(1, static_cast<int64_t>(user));
    if (counter.Step()) next = std::max<int64_t>(next, counter.Int(0));
    if (counter.Failed()) return false;
    SqliteStatement highest = m_db.Prepare("SELECT MAX(content_id) FROM assets WHERE user_id=?1");
    highest.Bind(1, static_cast<int64_t>(user));
    if (highest.Step()) next = std::max<int64_t>(next, highest.Int(0) + 1);
    if (highest.Failed()) return false;
    if (next > std::numeric_limits<int32_t>::max()) return false;
    SqliteStatement store =
        m_db.Prepare("INSERT OR REPLACE INTO kuid_counters(user_id, next_content) VALUES(?1, ?2)");
    if (!store.Bind(1, static_cast<int64_t>(user)).Bind(2, next + 1).Run()) return false;
    if (!transaction.Commit()) return false;
    content = static_cast<int32_t>(next);
    return true;
}

bool AssetStore::ReadLocalData(const KUID& kuid, const std::string& key, std::vector<uint8_t>& soup) {
    SqliteStatement select =
        m_db.Prepare("SELECT soup FROM local_data WHERE user_id=?1 AND content_id=?2 AND version=?3 AND key=?4");
    BindKuid(select, 1, kuid).Bind(4, key);
    if (!select.Step()) return false;
    soup = select.Blob(0);
    return true;
}

bool AssetStore::WriteLocalData(const KUID& kuid, const std::string& key, const std::vector<uint8_t>& soup) {
    SqliteStatement insert = m_db.Prepare(
        "INSERT OR REPLACE INTO local_data(user_id, content_id, version, key, soup) VALUES(?1, ?2, ?3, ?4, ?5)");
    BindKuid(insert, 1, kuid).Bind(4, key).BindBlob(5, soup);
    return insert.Run();
}
