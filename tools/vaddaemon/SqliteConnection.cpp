#include "vaddaemon/SqliteConnection.h"

#include <sqlite3.h>
#include <unistd.h>

#include <string_view>
#include <utility>

#include "vaddaemon/StoreFailure.h"

namespace {

// How long a statement waits for a lock held by another process (a second
// daemon that lost the rendezvous race may still be opening the file).
constexpr int kBusyTimeoutMs = 5000;
// How many idle statements a connection keeps; more are finalised.
constexpr std::size_t kMaxIdleStatements = 64;
// One lock on the file for the whole process (SqliteConnection.h).
constexpr const char* kFileLayer = "unix-excl";

// Notes the failure of the connection's last call, unless SQLite refused a
// statement text for its own form or size (SQLITE_ERROR, SQLITE_TOOBIG:
// no failure of the store).
void NoteFailureOf(sqlite3* db, bool statementText) {
    if (!db) return;
    const int code = sqlite3_extended_errcode(db) & 0xff;
    if (statementText && (code == SQLITE_ERROR || code == SQLITE_TOOBIG)) return;
    const char* file = sqlite3_db_filename(db, "main");
    NoteStoreFailure(code, sqlite3_errmsg(db), file ? file : "");
}

}  // namespace

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql) {
    if (!db || sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK) {
        NoteFailureOf(db, true);
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
        m_failed = true;
    }
}

SqliteStatement::SqliteStatement(SqliteConnection* owner, SqliteStatementShelves::iterator shelf,
                                 sqlite3_stmt* statement)
    : m_statement(statement), m_failed(statement == nullptr), m_owner(owner), m_shelf(shelf) {}

SqliteStatement::~SqliteStatement() { Release(); }

void SqliteStatement::Release() {
    if (m_owner)
        m_owner->GiveBack(m_shelf, m_statement);
    else
        sqlite3_finalize(m_statement);
    m_statement = nullptr;
    m_owner = nullptr;
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : m_statement(std::exchange(other.m_statement, nullptr)),
      m_failed(other.m_failed),
      m_owner(std::exchange(other.m_owner, nullptr)),
      m_shelf(other.m_shelf) {}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
    if (this != &other) {
        Release();
        m_statement = std::exchange(other.m_statement, nullptr);
        m_failed = other.m_failed;
        m_owner = std::exchange(other.m_owner, nullptr);
        m_shelf = other.m_shelf;
    }
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, int64_t value) {
    if (m_statement && sqlite3_bind_int64(m_statement, index, value) != SQLITE_OK) m_failed = true;
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, double value) {
    if (m_statement && sqlite3_bind_double(m_statement, index, value) != SQLITE_OK) m_failed = true;
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, const std::string& text) {
    if (m_statement &&
        sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) !=
            SQLITE_OK)
        m_failed = true;
    return *this;
}

SqliteStatement& SqliteStatement::BindBlob(int index, const std::vector<uint8_t>& bytes) {
    // A zero-length blob is still a blob, not NULL.
    static const uint8_t kNothing = 0;
    const void* data = bytes.empty() ? &kNothing : bytes.data();
    if (m_statement &&
        sqlite3_bind_blob(m_statement, index, data, static_cast<int>(bytes.size()), SQLITE_TRANSIENT) != SQLITE_OK)
        m_failed = true;
    return *this;
}

bool SqliteStatement::Step() {
    if (!m_statement || m_failed) return false;
    int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) {
        m_failed = true;
        NoteFailureOf(sqlite3_db_handle(m_statement), false);
    }
    return false;
}

bool SqliteStatement::Run() {
    while (Step()) {
    }
    return !m_failed;
}

int64_t SqliteStatement::Int(int column) const { return sqlite3_column_int64(m_statement, column); }

double SqliteStatement::Real(int column) const { return sqlite3_column_double(m_statement, column); }

std::string SqliteStatement::Text(int column) const {
    const unsigned char* text = sqlite3_column_text(m_statement, column);
    int size = sqlite3_column_bytes(m_statement, column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size)) : std::string();
}

std::vector<uint8_t> SqliteStatement::Blob(int column) const {
    const uint8_t* data = static_cast<const uint8_t*>(sqlite3_column_blob(m_statement, column));
    int size = sqlite3_column_bytes(m_statement, column);
    return data ? std::vector<uint8_t>(data, data + size) : std::vector<uint8_t>();
}

SqliteConnection::~SqliteConnection() { Close(); }

bool SqliteConnection::Open(const std::string& osPath, std::string& error, OpenMode mode) {
    // Before SQLite's first use in the process: no count of the memory in
    // use, which would take a process-wide lock at every allocation and
    // release (several each statement run).
    static const int configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    static_cast<void>(configured);
    Close();
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (mode == kCreate ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(osPath.c_str(), &m_db, flags, kFileLayer);
    if (rc != SQLITE_OK) {
        if (mode == kExisting && rc == SQLITE_CANTOPEN && ::access(osPath.c_str(), F_OK) != 0) {
            error.clear();
            Close();
            return false;
        }
        error = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        NoteStoreFailure(rc & 0xff, error, osPath);
        Close();
        return false;
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    // Pages of the store file are read through a mapping of the file instead
    // of a read call each: an asset-info request touches a handful of pages
    // of a store far larger than a connection's page cache, and copying each
    // out of the kernel was half its cost. The write-ahead journal is still
    // read and written as before.
    sqlite3_exec(m_db, "PRAGMA mmap_size=1073741824", nullptr, nullptr, nullptr);
    return true;
}

void SqliteConnection::Close() {
    // Shelves of statements still lent out stay, so that their return finds
    // them (and finalises the statement of the closed connection).
    for (auto shelf = m_shelves.begin(); shelf != m_shelves.end();) {
        for (sqlite3_stmt* statement : shelf->second.idle) sqlite3_finalize(statement);
        shelf->second.idle.clear();
        shelf = shelf->second.lent == 0 ? m_shelves.erase(shelf) : std::next(shelf);
    }
    m_idleCount = 0;
    if (m_db) sqlite3_close_v2(m_db);
    m_db = nullptr;
}

SqliteStatement SqliteConnection::Prepare(const char* sql) {
    const std::string_view text(sql);
    auto shelf = m_shelves.find(text);
    if (shelf == m_shelves.end()) shelf = m_shelves.emplace(text, SqliteStatementShelf()).first;
    sqlite3_stmt* statement = nullptr;
    if (!shelf->second.idle.empty()) {
        statement = shelf->second.idle.back();
        shelf->second.idle.pop_back();
        --m_idleCount;
    } else if (!m_db ||
               sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK) {
        NoteFailureOf(m_db, true);
        sqlite3_finalize(statement);
        statement = nullptr;
    }
    ++shelf->second.lent;
    return SqliteStatement(this, shelf, statement);
}

void SqliteConnection::GiveBack(SqliteStatementShelves::iterator shelf, sqlite3_stmt* statement) {
    --shelf->second.lent;
    if (statement && m_db && sqlite3_db_handle(statement) == m_db && m_idleCount < kMaxIdleStatements) {
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
        shelf->second.idle.push_back(statement);
        ++m_idleCount;
        return;
    }
    sqlite3_finalize(statement);
    if (shelf->second.idle.empty() && shelf->second.lent == 0) m_shelves.erase(shelf);
}

bool SqliteConnection::Exec(const char* sql) {
    if (!m_db) return false;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK) return true;
    NoteFailure();
    return false;
}

void SqliteConnection::NoteFailure() const { NoteFailureOf(m_db, false); }

std::string SqliteConnection::LastError() const { return m_db ? sqlite3_errmsg(m_db) : "no database"; }

bool SqliteConnection::LastErrorIsDamage() const {
    return m_db && IsDamageCode(sqlite3_extended_errcode(m_db) & 0xff);
}

SqliteTransaction::SqliteTransaction(SqliteConnection& connection) : m_connection(connection) {
    m_began = m_connection.Exec("BEGIN IMMEDIATE");
}

SqliteTransaction::~SqliteTransaction() {
    // Not noted: a failure that ended the transaction already rolled it
    // back, and that failure is the one noted.
    if (m_began && !m_done) sqlite3_exec(m_connection.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

bool SqliteTransaction::Commit() {
    if (!m_began || m_done) return false;
    m_done = m_connection.Exec("COMMIT");
    return m_done;
}
