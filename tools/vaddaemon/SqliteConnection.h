#pragma once
// A thin owner of one SQLite connection and its prepared statements. The
// connection is opened without SQLite's own locking: one thread uses it at
// a time (the writer under the library's lock, a reader while leased).
// Statements made by Prepare are kept after use and handed out again for
// the same text, so the store's fixed queries are compiled once per
// connection, and handing one out again allocates nothing; PrepareOnce is
// for texts that are built per request.
//
// Every connection opens its file through SQLite's "unix-excl" file layer:
// the first connection of the process takes one lock on the file for the
// process, and the connections of the process settle their locks among
// themselves in memory (the write-ahead journal's index lives in the
// process's memory too). A read transaction then costs no system call for
// locks, while each connection still reads the last committed state as the
// writer works; another process cannot open the file while it is held.
//
// A statement step, statement text or transaction that fails notes its
// cause as the thread's failure of the store (StoreFailure.h).
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class SqliteConnection;

// The compiled copies of one statement text that a connection keeps: those
// idle, and how many are lent out.
struct SqliteStatementShelf {
    std::vector<sqlite3_stmt*> idle;
    int lent = 0;
};
using SqliteStatementShelves = std::map<std::string, SqliteStatementShelf, std::less<>>;

class SqliteStatement {
public:
    SqliteStatement() = default;
    SqliteStatement(sqlite3* db, const char* sql);
    // A statement from the connection's shelf (or null), given back on
    // destruction.
    SqliteStatement(SqliteConnection* owner, SqliteStatementShelves::iterator shelf, sqlite3_stmt* statement);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;

    // False when the statement did not prepare.
    bool IsValid() const { return m_statement != nullptr; }

    // Parameters count from 1, as in SQLite.
    SqliteStatement& Bind(int index, int64_t value);
    SqliteStatement& Bind(int index, double value);
    SqliteStatement& Bind(int index, const std::string& text);
    SqliteStatement& BindBlob(int index, const std::vector<uint8_t>& bytes);

    // True while a row is available; false at the end or on an error
    // (Failed tells them apart).
    bool Step();
    // Runs the statement to its end; true when it finished without error.
    bool Run();
    bool Failed() const { return m_failed; }

    // Columns count from 0.
    int64_t Int(int column) const;
    double Real(int column) const;
    std::string Text(int column) const;
    std::vector<uint8_t> Blob(int column) const;

private:
    void Release();

    sqlite3_stmt* m_statement = nullptr;
    bool m_failed = false;
    // Set for a kept statement: where it goes back to.
    SqliteConnection* m_owner = nullptr;
    SqliteStatementShelves::iterator m_shelf;
};

class SqliteConnection {
public:
    SqliteConnection() = default;
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    enum OpenMode { kCreate, kExisting };
    // Opens the database file at an OS path, creating it with kCreate. False
    // with `error` when it cannot be opened (with kExisting, `error` stays
    // empty when the file is not there); a file that is not a database is
    // detected at the first statement, which fails.
    bool Open(const std::string& osPath, std::string& error, OpenMode mode = kCreate);
    bool IsOpen() const { return m_db != nullptr; }
    void Close();

    // Runs one or more statements without results.
    bool Exec(const char* sql);
    // A statement of fixed text, compiled at its first use and reused.
    SqliteStatement Prepare(const char* sql);
    // A statement compiled for this use only.
    SqliteStatement PrepareOnce(const std::string& sql) { return SqliteStatement(m_db, sql.c_str()); }
    std::string LastError() const;
    // The last error says the file is damaged or is no database.
    bool LastErrorIsDamage() const;
    sqlite3* Handle() const { return m_db; }
    // Notes the connection's last error as the thread's failure of the store.
    void NoteFailure() const;

private:
    friend class SqliteStatement;
    // Takes a used statement back (reset, bindings cleared).
    void GiveBack(SqliteStatementShelves::iterator shelf, sqlite3_stmt* statement);

    sqlite3* m_db = nullptr;
    // Compiled statements by their text; a text none is kept or lent of
    // has no shelf.
    SqliteStatementShelves m_shelves;
    std::size_t m_idleCount = 0;
};

// Begins a transaction and rolls it back unless Commit was called.
class SqliteTransaction {
public:
    explicit SqliteTransaction(SqliteConnection& connection);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    bool Began() const { return m_began; }
    bool Commit();

private:
    SqliteConnection& m_connection;
    bool m_began = false;
    bool m_done = false;
};
